#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace larkspin {

class TDecodeRun;
class TPlugInHost;

// The "Decoder" window: shows a decode run's file and percentage; "Abort" ends it. It cannot be closed
// otherwise while the run lasts, and closes itself when the run ends. Used by the encoder page's
// "Decode to wave" and by the playlist's "Decode to Wave...".
class TDecodeForm : public QDialog {
    Q_OBJECT
public:
    explicit TDecodeForm(TPlugInHost& host, QWidget* parent = nullptr);
    ~TDecodeForm() override;

    // Decodes files into folder (each into its own folder when folder is empty) in a modal window, then
    // lists the files that were not decoded. Returns the problems (empty when every file was decoded).
    static QStringList DecodeFiles(TPlugInHost& host, const QStringList& files, const QString& folder,
                                   QWidget* parent = nullptr);

    // Starts the run; "" when it started, else why not.
    QString Start(const QStringList& files, const QString& folder);
    bool DecodeCanClose() const { return canClose_; }
    // Ignored while the run lasts, so Escape cannot hide a running decode.
    void reject() override;
    TDecodeRun& Run() { return *run_; }

    QLabel* Headline() const { return headline_; }
    QLabel* FileLabel() const { return file_; }
    QLabel* PercentLabel() const { return percent_; }
    QProgressBar* Gauge() const { return gauge_; }
    QPushButton* AbortButton() const { return abort_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void AbortClick();

    TDecodeRun* run_;
    QLabel* headline_;
    QLabel* file_;
    QLabel* percent_;
    QProgressBar* gauge_;
    QPushButton* abort_;
    bool canClose_ = true;
};

} // namespace larkspin
