#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace larkspin {

class TEncodeJobs;
class TEncoderHost;
class TPlugInHost;

// The "Encoder" page of the "Zizezed Avidido" window: a list of files encoded one after the other
// through an encoder plug-in, or decoded to WAV with "Decode to wave". The work is done by TEncodeJobs
// and TDecodeForm; the page shows it. Creating the page selects every encoder plug-in once to fill the
// plug-in choice, and leaves the first one loaded.
class TEncoderPage : public QWidget {
    Q_OBJECT
public:
    // decoders may be null: "Decode to wave" is then unavailable.
    TEncoderPage(TEncoderHost& encoders, TPlugInHost* decoders, QWidget* parent = nullptr);
    ~TEncoderPage() override;

    // Appends a row per file (caption the file name, the full path kept with it).
    void AddFiles(const QStringList& paths);
    QStringList Files() const;
    bool EncodingActive() const;
    // While a rip runs, the plug-in choice, its settings and "Start encoding..." are not offered: the
    // rip may use the loaded plug-in.
    void setRipInProgress(bool running);
    TEncodeJobs& Jobs() { return *jobs_; }

    QComboBox* ComboBox1() const { return plugIns_; }
    QLineEdit* Edit1() const { return folder_; }
    QTreeWidget* ListView1() const { return list_; }
    QCheckBox* DecodeToWave() const { return decode_; }
    QPushButton* StartButton() const { return start_; }
    QFrame* EncPanel() const { return panel_; }
    QLabel* EncNum2() const { return jobNumber_; }
    QLabel* EncPer() const { return percent_; }
    QProgressBar* EncFort() const { return gauge_; }

    void StartClick();
    void AbortClick();
    void DelFilesClick();
    void ClearListClick();

signals:
    // While true, the CD ripper page offers neither "Start ripping..." nor its settings.
    void encodingActiveChanged(bool active);

private:
    void SearchClick();
    void AddFilesClick();
    void SettingsClick();
    void showMessage(const QString& text);

    TEncoderHost& encoders_;
    TPlugInHost* decoders_;
    TEncodeJobs* jobs_;
    QComboBox* plugIns_;
    QLineEdit* folder_;
    QTreeWidget* list_;
    QCheckBox* decode_;
    QPushButton* start_;
    QPushButton* settings_;
    QFrame* panel_;
    QLabel* jobNumber_;
    QLabel* percent_;
    QProgressBar* gauge_;
};

} // namespace larkspin
