#pragma once

#include "CdListItem.h"
#include "RipPreparation.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace larkspin {

struct Settings;
class TCddb;

// "Prepare ripping...": one row per CD list item, names fetched from a CDDB server through its own
// TCddb or edited with "Edit title informations...", written back into the CD list when it closes.
// Only "Start ripping..." lets the rip begin.
class TRipPrepare : public QDialog {
    Q_OBJECT
public:
    // list: the CD ripper page's list (written back at closing); drive: the index of the page's drive.
    TRipPrepare(CdList& list, const Settings& settings, int drive, QWidget* parent = nullptr);
    ~TRipPrepare() override;

    // Reads the disc's table of contents for the disc ID. False, with the reason in error, when there is
    // no way to reach the drive.
    bool ReadToc(QString& error);

    // Shows the dialog modally; true when it was left with "Start ripping...". The CD list holds the rows
    // afterwards either way.
    static bool Prepare(CdList& list, const Settings& settings, int drive, QWidget* parent = nullptr);

    const QList<TitleRow>& Rows() const { return rows_; }
    bool RipStarted() const { return ripStarted_; }
    TCddb& Cddb() { return *Cddb_; }

    QTreeWidget* ListView1 = nullptr;
    QPushButton* BitBtn1 = nullptr;  // "Start ripping..."
    QPushButton* BitBtn2 = nullptr;  // "Cancel"
    QPushButton* Button1 = nullptr;  // "Get infos from FreeDB..."
    QPushButton* Button2 = nullptr;  // "Edit infos..."
    QPlainTextEdit* Memo1 = nullptr; // the hidden log

    void Button1Click();
    void Button2Click();

protected:
    void done(int result) override;

private:
    void fillList();
    void log(const QString& text);
    void flushLog();
    void checkOutcome();
    void endQuery();
    void showMessage(const QString& text);

    CdList& list_;
    const Settings& settings_;
    int drive_;
    TCddb* Cddb_;
    QList<TitleRow> rows_;
    bool ripStarted_ = false;
    bool readPending_ = false;
    // Log lines wait here and reach the log box a few hundred per pass of the event loop: a long reply
    // arrives as thousands of lines at once.
    QStringList pendingLog_;
    QString lastLogLine_;
    bool outcomeQueued_ = false;
};

} // namespace larkspin
