#include "TinternalEncoder.h"

#include "LameBitrateSteps.h"
#include "Settings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace larkspin {

TinternalEncoder::TinternalEncoder(QWidget* parent)
    : QDialog(parent), slider_(new QSlider(Qt::Horizontal, this)), label_(new QLabel(this)),
      modes_(new QComboBox(this)), workingBitrate_(settings().Bitrate), workingMode_(settings().Channel) {
    setWindowTitle(QStringLiteral("Lame settings..."));
    modes_->addItems({QStringLiteral("Stereo"), QStringLiteral("Joint Stereo"),
                      QStringLiteral("Dual Channel"), QStringLiteral("Mono")});
    modes_->setCurrentIndex(workingMode_ <= 3 ? workingMode_ : 0);
    slider_->setRange(LameBitrateSteps::First, LameBitrateSteps::Last);
    slider_->setPageStep(1);
    const int position = LameBitrateSteps::PositionOf(workingBitrate_);
    slider_->setValue(position);
    // A stored bitrate outside the table is kept until the slider moves.
    label_->setText(LameBitrateSteps::Label(position));
    connect(slider_, &QSlider::valueChanged, this, &TinternalEncoder::SliderChange);
    connect(modes_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            workingMode_ = index;
    });

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("Save"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &TinternalEncoder::Save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Bitrate:"), slider_);
    form->addRow(QString(), label_);
    form->addRow(QStringLiteral("Mode:"), modes_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TinternalEncoder::SliderChange(int position) {
    label_->setText(LameBitrateSteps::Label(position));
    workingBitrate_ = LameBitrateSteps::Bitrate(position);
}

void TinternalEncoder::Save() {
    settings().Bitrate = workingBitrate_;
    settings().Channel = static_cast<uint8_t>(workingMode_);
    accept();
}

} // namespace larkspin
