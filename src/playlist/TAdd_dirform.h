#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;

namespace larkspin {

class FolderTree;

// The add-directory dialog ("Add directory..."): a folder, a pattern of the plug-ins' file types (or
// "All compatible Files") and whether subfolders are searched. Made for each use; the playlist window
// runs the search after "OK".
class TAdd_dirform : public QDialog {
    Q_OBJECT
public:
    // patterns: the pattern list, "All compatible Files" first; empty when no plug-in declares types.
    explicit TAdd_dirform(const std::vector<std::string>& patterns, QWidget* parent = nullptr);

    QString folder() const;
    void setFolder(const QString& folder);
    // Index into the pattern list; -1 when nothing is selected (nothing is searched then).
    int selectedPattern() const;
    bool includeSubfolders() const;

private:
    FolderTree* tree_ = nullptr;
    QComboBox* Patterns = nullptr;
    QCheckBox* Subfolders = nullptr;
};

} // namespace larkspin
