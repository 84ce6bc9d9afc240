#include "TRipPrepare.h"

#include "RipRunLog.h"
#include "Settings.h"
#include "TCddb.h"
#include "TInfoEditForm.h"
#include "TMatchform.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace larkspin {

namespace {

const QString GetInfosText = QStringLiteral("Get infos from FreeDB...");
const QString ConnectingText = QStringLiteral("Connecting...");
// Log lines put into the log box in one pass of the event loop: a reply of many thousand lines reaches
// it over several passes, so the window keeps answering.
constexpr qsizetype LogLinesPerPass = 500;

} // namespace

TRipPrepare::TRipPrepare(CdList& list, const Settings& settings, int drive, QWidget* parent)
    : QDialog(parent), list_(list), settings_(settings), drive_(drive), Cddb_(new TCddb(this)) {
    setObjectName(QStringLiteral("RipPrepare"));
    setWindowTitle(QStringLiteral("Prepare ripping..."));
    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setHeaderLabels({"#", "Artist", "Title", "Album", "Year", "Genre"});
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setAllColumnsShowFocus(true);
    const int widths[] = {50, 200, 300, 250, 50, 200};
    for (int c = 0; c < 6; ++c)
        ListView1->setColumnWidth(c, widths[c]);

    BitBtn1 = new QPushButton(QStringLiteral("Start ripping..."), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    Button1 = new QPushButton(GetInfosText, this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Edit infos..."), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setMaximumBlockCount(10000); // the log of a huge reply keeps its end
    Memo1->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1, 1);
    layout->addWidget(Memo1);
    layout->addLayout(buttons);
    resize(900, 420);

    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        ripStarted_ = true;
        accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button1, &QPushButton::clicked, this, &TRipPrepare::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TRipPrepare::Button2Click);

    Cddb_->InternalTOCRetrieve = true;
    Cddb_->CDInterface = cdiASPI;
    Cddb_->VirtualDrives = settings_.VirtualDrives;
    Cddb_->ServerAdditionalAddr = QStringLiteral("/~cddb/cddb.cgi");
    Cddb_->ProxyPort = QStringLiteral("80");
    Cddb_->SetEmailUser(QString::fromStdString(settings_.CDDBEmail));
    connect(Cddb_, &TCddb::OnStatusMessage, this, [this](const QString& status) {
        log(status);
        // The reply is handled to its end before its outcome is read, once however many statuses came.
        if (!std::exchange(outcomeQueued_, true))
            QMetaObject::invokeMethod(this, &TRipPrepare::checkOutcome, Qt::QueuedConnection);
    });
    connect(Cddb_, &TCddb::OnDataExchange, this, [this](const QString& data) { log(data.trimmed()); });
    Cddb_->OnMatch = [this](TCddb&, const TMatchArray& matches, int& RightOne) {
        const QStringList lines = MatchLines(QStringList(matches.begin(), matches.end()));
        RightOne = lines.size() < 2 ? 0 : TMatchform::ChooseMatch(lines, this);
        if (readPending_ && Cddb_->ServerType == TServerType::HTTP) {
            if (RightOne != -1) {
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        if (Cddb_->State == CddbState::MatchChosen || Cddb_->State == CddbState::MatchListed)
                            Cddb_->HttpRead();
                    },
                    Qt::QueuedConnection);
            } else {
                // The user chose none: the query is over, not stuck at "Connecting...".
                QMetaObject::invokeMethod(this, &TRipPrepare::endQuery, Qt::QueuedConnection);
            }
            readPending_ = false;
        }
    };

    rows_ = RowsFromCdList(list_);
    fillList();
}

TRipPrepare::~TRipPrepare() = default;

bool TRipPrepare::ReadToc(QString& error) {
    try {
        Cddb_->ReadTOC(drive_);
        return true;
    } catch (const ECdInterfaceError& e) {
        error = QString::fromUtf8(e.what());
        return false;
    }
}

void TRipPrepare::fillList() {
    ListView1->clear();
    const QIcon tick = style()->standardIcon(QStyle::SP_DialogApplyButton);
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        const TitleRow& row = rows_[i];
        auto* item = new QTreeWidgetItem(ListView1,
                                         {row.number, row.artist, row.title, row.album, row.year, row.genre});
        if (static_cast<std::size_t>(i) < list_.size() && list_[static_cast<std::size_t>(i)].Ticked)
            item->setIcon(0, tick);
    }
}

void TRipPrepare::log(const QString& text) {
    lastLogLine_ = text;
    pendingLog_ << text;
    if (pendingLog_.size() == 1)
        QMetaObject::invokeMethod(this, &TRipPrepare::flushLog, Qt::QueuedConnection);
}

void TRipPrepare::flushLog() {
    if (pendingLog_.isEmpty())
        return;
    // The box keeps only its last lines: older waiting lines would be dropped at once.
    const qsizetype kept = Memo1->maximumBlockCount();
    if (kept > 0 && pendingLog_.size() > kept)
        pendingLog_.remove(0, pendingLog_.size() - kept);
    const qsizetype now = std::min(pendingLog_.size(), LogLinesPerPass);
    Memo1->appendPlainText(pendingLog_.first(now).join(u'\n'));
    pendingLog_.remove(0, now);
    // A pass is asked for while lines wait (log() asks when the first one comes).
    if (!pendingLog_.isEmpty())
        QMetaObject::invokeMethod(this, &TRipPrepare::flushLog, Qt::QueuedConnection);
}

void TRipPrepare::Button1Click() {
    if (Button1->text() == ConnectingText)
        return; // a query runs
    Button1->setText(ConnectingText);
    Memo1->clear();
    pendingLog_.clear();
    lastLogLine_.clear();
    BitBtn1->setEnabled(false);
    Button2->setEnabled(false);
    readPending_ = true;
    Cddb_->ServerAddr = QString::fromStdString(settings_.CDDBServer);
    Cddb_->ServerAdditionalAddr = QStringLiteral("/~cddb/cddb.cgi");
    Cddb_->ServerType = TServerType::HTTP;
    Cddb_->ServerPort = QString::fromStdString(settings_.CDDBPort);
    if (Cddb_->HttpQuery() != 0)
        endQuery();
}

void TRipPrepare::checkOutcome() {
    outcomeQueued_ = false;
    if (Button1->text() != ConnectingText)
        return;
    const QString& last = lastLogLine_;
    if (OutcomeOfLog({last}) == QueryOutcome::EntryRead && Cddb_->State == CddbState::EntryRead) {
        rows_ = RowsFromEntry(Cddb_->Entry);
        fillList();
        endQuery();
    } else if (OutcomeOfLog({last}) == QueryOutcome::NoMatch) {
        endQuery();
        showMessage(QStringLiteral("This AudioCD is not listed in the database!"));
    } else if (Cddb_->State == CddbState::RequestFailed || Cddb_->State == CddbState::ReadFailed) {
        // A failed request or entry ends the query with what the server or network said.
        endQuery();
        showMessage(QStringLiteral("The CD information could not be fetched: %1").arg(last));
    }
}

void TRipPrepare::endQuery() {
    Button1->setText(GetInfosText);
    BitBtn1->setEnabled(true);
    Button2->setEnabled(true);
    readPending_ = false;
}

void TRipPrepare::showMessage(const QString& text) {
    qCDebug(lcRipRun) << text;
    // Window-modal and not blocking, so replies still arrive behind it.
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Larkspin 3.0"), text,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void TRipPrepare::Button2Click() {
    int selected = -1;
    const QList<QTreeWidgetItem*> items = ListView1->selectedItems();
    if (!items.isEmpty())
        selected = ListView1->indexOfTopLevelItem(items.front());
    if (TInfoEditForm::EditTitles(rows_, selected, this))
        fillList();
}

void TRipPrepare::done(int result) {
    WriteRowsBack(rows_, list_);
    QDialog::done(result);
}

bool TRipPrepare::Prepare(CdList& list, const Settings& settings, int drive, QWidget* parent) {
    TRipPrepare dialog(list, settings, drive, parent);
    QString error;
    if (!dialog.ReadToc(error)) {
        QMessageBox::warning(parent, QStringLiteral("Larkspin 3.0"), error);
        return false;
    }
    dialog.exec();
    return dialog.RipStarted();
}

} // namespace larkspin
