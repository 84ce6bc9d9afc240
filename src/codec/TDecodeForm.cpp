#include "TDecodeForm.h"

#include "TDecodeRun.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace larkspin {

TDecodeForm::TDecodeForm(TPlugInHost& host, QWidget* parent)
    : QDialog(parent), run_(new TDecodeRun(host, this)),
      headline_(new QLabel(QStringLiteral("Percent done..."), this)), file_(new QLabel(this)),
      percent_(new QLabel(QStringLiteral("0%"), this)), gauge_(new QProgressBar(this)),
      abort_(new QPushButton(QStringLiteral("Abort"), this)) {
    setWindowTitle(QStringLiteral("Decoder"));
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    gauge_->setTextVisible(false);
    auto* top = new QHBoxLayout;
    top->addWidget(headline_);
    top->addStretch();
    top->addWidget(percent_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(file_, 1);
    bottom->addWidget(abort_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(gauge_);
    layout->addLayout(bottom);

    connect(abort_, &QPushButton::clicked, this, &TDecodeForm::AbortClick);
    connect(run_, &TDecodeRun::progressChanged, this, [this](const QString& fileName, int percent) {
        headline_->setText(QStringLiteral("Percent done..."));
        gauge_->setValue(percent);
        percent_->setText(QStringLiteral("%1%").arg(percent));
        file_->setText(fileName);
    });
    connect(run_, &TDecodeRun::fileDecoded, this, [this] {
        gauge_->setValue(0);
        headline_->setText(QStringLiteral("Fertig"));
    });
    connect(run_, &TDecodeRun::finished, this, [this] {
        canClose_ = true;
        done(QDialog::Accepted);
    });
}

TDecodeForm::~TDecodeForm() = default;

QString TDecodeForm::Start(const QStringList& files, const QString& folder) {
    const QString problem = run_->Start(files, folder);
    canClose_ = !run_->Running();
    return problem;
}

QStringList TDecodeForm::DecodeFiles(TPlugInHost& host, const QStringList& files, const QString& folder,
                                     QWidget* parent) {
    TDecodeForm form(host, parent);
    const QString problem = form.Start(files, folder);
    if (!problem.isEmpty()) {
        QMessageBox::warning(parent, QStringLiteral("Decoder"), problem);
        return {problem};
    }
    if (form.Run().Running())
        form.exec();
    const QStringList problems = form.Run().Problems();
    if (!problems.isEmpty())
        QMessageBox::warning(parent, QStringLiteral("Decoder"),
                             QStringLiteral("These files were not decoded:\n") + problems.join('\n'));
    return problems;
}

void TDecodeForm::showEvent(QShowEvent* event) {
    resize(416, 119);
    QDialog::showEvent(event);
}

void TDecodeForm::AbortClick() {
    run_->Abort();
    canClose_ = true;
    done(QDialog::Rejected);
}

void TDecodeForm::closeEvent(QCloseEvent* event) {
    if (canClose_)
        event->accept();
    else
        event->ignore();
}

// Escape must not leave a decode running behind a closed window.
void TDecodeForm::reject() {
    if (canClose_)
        QDialog::reject();
}

} // namespace larkspin
