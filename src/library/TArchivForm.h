#pragma once

#include "LibraryImport.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QFutureWatcher>
#include <QTimer>

#include <atomic>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStringListModel;
class QTreeView;

namespace larkspin {

struct MusicLibrary;
struct Settings;

// The rows of the import preview (DetailList): a file's record, then Location and Rating.
class ImportPreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetRows(std::vector<ImportRow> rows);
    const std::vector<ImportRow>& Rows() const { return rows_; }
    // Removes the rows, given in any order.
    void RemoveRows(std::vector<int> rows);
    // Sorts by the Artist column, case-sensitively with the user's locale.
    void SortByArtist();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<ImportRow> rows_;
};

// "Add mediafiles to archive...": step one finds audio files below a folder, step two reads their tags
// off the user-interface thread into a preview, and "Finish" adds them to the library.
class TArchivForm : public QDialog {
    Q_OBJECT
public:
    TArchivForm(MusicLibrary& library, Settings& settings, QWidget* parent = nullptr);
    ~TArchivForm() override;

    // The decoder plug-ins' type lists ("*.mp3;*.mp2" each) that fill the file-type choice.
    void setFileTypeLists(const std::vector<std::string>& typeLists);
    // The medium name typed last, shared by every import of the run.
    static QString& mediumName();

    void setFolder(const QString& folder);
    void StartSearchClick();
    void NextClick();
    void ReadInfosClick();
    void DeleteSelectedClick();
    void CancelClick();
    // From "Start search" until the list shows what was found; Cancel stops the search early.
    bool searching() const { return searching_; }
    // From "Read file informations" until the preview shows what was read.
    bool reading() const { return reading_; }

    QLineEdit* folderEdit = nullptr;
    QPushButton* browseButton = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* subfoldersBox = nullptr;
    QPushButton* startSearchButton = nullptr;
    QListView* Liste = nullptr;
    QLabel* foundCount = nullptr;
    QLabel* status1 = nullptr;
    QPushButton* nextButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QWidget* panel1 = nullptr;
    QWidget* panel2 = nullptr;
    QRadioButton* id3v1Radio = nullptr;
    QRadioButton* id3v2Radio = nullptr;
    QPushButton* readButton = nullptr;
    QTreeView* DetailList = nullptr;
    QPushButton* deleteButton = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* status2 = nullptr;
    QProgressBar* finishProgress = nullptr;

    QStringList foundPaths() const;
    ImportPreviewModel& preview() { return *preview_; }
    // The medium kind of the last search: "int" or "ext".
    const std::string& mediumKind() const { return mediumKind_; }

    // Asks for the medium name; replaceable so the import runs without a person at the keyboard.
    std::function<QString()> askMediumName;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildWidgets();
    void searchFinished();
    void readFinished();
    void stopWork();

    MusicLibrary& library_;
    Settings& settings_;
    std::vector<std::string> masks_;
    std::string mediumKind_ = "int";
    QStringListModel* listeModel_ = nullptr;
    ImportPreviewModel* preview_ = nullptr;
    QFutureWatcher<std::vector<std::string>> searchWatcher_;
    std::shared_ptr<std::atomic<bool>> cancelSearch_;
    std::shared_ptr<std::atomic<int>> searchFound_;
    QFutureWatcher<std::vector<TrackRecord>> readWatcher_;
    std::shared_ptr<std::atomic<bool>> cancelRead_;
    std::shared_ptr<std::atomic<int>> readDone_;
    QTimer progressTimer_;
    bool step2_ = false;
    bool searching_ = false;
    bool reading_ = false;
};

} // namespace larkspin
