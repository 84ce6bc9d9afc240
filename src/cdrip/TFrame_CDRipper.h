#pragma once

#include "CdListItem.h"
#include "RipRun.h"

#include <QHash>
#include <QWidget>

#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace larkspin {

struct Settings;
class CdripTrackSource;
class TEncoderHost;
class TLameCoder;

// The "CD Ripper" page of the Zizezed Avidido window: the drives, the audio tracks of the disc in the
// chosen drive with tick boxes, the output folder, and the rip with its progress panel. Owns the ripping
// component (made again by every refresh) and the MP3 coder used while ripping. While a rip runs, the
// component stays: refresh, drive change and eject are refused.
class TFrame_CDRipper : public QWidget {
    Q_OBJECT
public:
    // encoders: the program's encoder plug-ins (plug-in mode); may be null.
    TFrame_CDRipper(Settings& settings, TEncoderHost* encoders, QWidget* parent = nullptr);
    ~TFrame_CDRipper() override;

    // The page was activated: makes the component and lists the drives once, then refreshes. Nothing
    // while a rip runs.
    void Initialise();
    // Makes the component again for the chosen drive and lists its audio tracks. False (nothing done)
    // while a rip runs.
    bool RefreshCdView();
    bool EjectClick();
    void SelectAllClick();
    void SelectNoneClick();
    // "Start ripping...": prepares the ticked tracks and starts the run.
    void StartRippingClick();
    void AbortClick();

    bool RipInProgress() const { return run_ != nullptr; }
    // While an encoding job runs, neither "Start ripping..." nor the settings are offered.
    void setEncodingActive(bool active);

    // The CD list (captions and sub-items as the rip preparation left them, ticks as shown).
    const CdList& List() const { return list_; }
    RipRun* Run() const { return run_.get(); }

    QComboBox* DriveSelBox = nullptr;
    QLineEdit* Pathinfo = nullptr;
    QTreeWidget* CDListView = nullptr;
    QPushButton* StartButton = nullptr;
    QPushButton* EjectButton = nullptr;
    QPushButton* RefreshButton = nullptr;
    QFrame* rippanel = nullptr;
    QLabel* label5 = nullptr;  // track being ripped
    QLabel* label10 = nullptr; // rip percent
    QProgressBar* ProgressBar1 = nullptr;
    QLabel* label6 = nullptr;  // encoding
    QLabel* label20 = nullptr; // encoding percent
    QProgressBar* ProgressBar2 = nullptr;
    QLabel* label12 = nullptr; // elapsed time
    QLabel* label2 = nullptr;  // "Encoding..."
    QLabel* spSkinStdLabel12 = nullptr;
    QPushButton* AbortButton = nullptr;

signals:
    void ripInProgressChanged(bool running);
    // "Settings..." was pressed (refused by the program while encoding or ripping).
    void settingsRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void SearchClick();
    void DriveChanged(int index);
    void showList();
    void readTicks();
    void showRunDisplay();
    void runFinished();
    void message(const QString& text, bool warning = false);
    bool ask(const QString& text);
    bool makeComponent();

    Settings& settings_;
    TEncoderHost* encoders_;
    std::unique_ptr<TLameCoder> coder_;
    std::unique_ptr<CdripTrackSource> source_; // the ripping component, made again by every refresh
    std::unique_ptr<RipRun> run_;
    CdList list_;
    QHash<int, QString> verdicts_; // per track of the last rip: its AccurateRip verdict
    bool TrayOpen = false;
    bool encodingActive_ = false;
    bool filling_ = false;
};

} // namespace larkspin
