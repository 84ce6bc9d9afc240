#pragma once

#include "AddFilesState.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QListView;
class QPushButton;
class QStringListModel;

namespace larkspin {

class FolderTree;
struct Settings;

// The add-files window ("Import audiofiles..."): the user collects compatible files from one or more
// folders. Created once and only hidden between uses, so with "Remember selected files" the chosen
// files survive until the next opening. The lists and their rules are AddFilesState's.
class Taddfilesform : public QDialog {
    Q_OBJECT
public:
    explicit Taddfilesform(QWidget* parent = nullptr);
    Taddfilesform(Settings& settings, QWidget* parent);

    // The plug-ins' type texts joined without separator; set before each showing.
    void setJoinedTypes(const std::string& joinedTypes);
    // Shows folder (also before the first showing).
    void showFolder(const QString& folder);

    // The paths to add after the dialog closed; empty unless "Add selected files..." closed it.
    const std::vector<std::string>& result() const { return state_.Result(); }
    const AddFilesState& state() const { return state_; }

    void done(int r) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void changeFolder(const QString& folder);
    void refreshLists();
    static std::vector<int> selectedRows(const QListView* list);

    Settings& settings_;
    AddFilesState state_;
    FolderTree* tree_ = nullptr;
    QListView* ListBox1 = nullptr; // "Available mediafiles:"
    QListView* ListBox2 = nullptr; // "Files to add:"
    QStringListModel* available_ = nullptr;
    QStringListModel* toAdd_ = nullptr;
    QLabel* Label4 = nullptr; // number of available names
    QLabel* Label5 = nullptr; // number of chosen names
    QCheckBox* MoreThanOne = nullptr;
    QCheckBox* RemSelected = nullptr;
};

} // namespace larkspin
