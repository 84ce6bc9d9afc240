#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace larkspin {

// The CDDB match choice ("Matchform"): when a server knows several entries for a disc, the user picks
// one. Made for each use. "Get CD Infos..." or a double-click on a row closes it with the selected row;
// closing it otherwise (Escape, the title bar) chooses nothing.
class TMatchform : public QDialog {
    Q_OBJECT
public:
    explicit TMatchform(QWidget* parent = nullptr);

    void setLines(const QStringList& lines);
    // The selected row, -1 when none is selected.
    int selectedIndex() const;
    // The row chosen when the window closed: the selected row after "Get CD Infos..." or a
    // double-click, -1 when none was selected or the window was closed without choosing.
    int chosenIndex() const { return chosen_; }

    // Fills the list with lines, shows the window modally at the screen's centre and answers the chosen
    // row, -1 for none.
    static int ChooseMatch(const QStringList& lines, QWidget* parent = nullptr);

private:
    void choose();

    QListWidget* LstMatches = nullptr;
    QPushButton* GetInfosBtn = nullptr;
    int chosen_ = -1;
};

} // namespace larkspin
