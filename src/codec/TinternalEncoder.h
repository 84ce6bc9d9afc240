#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QSlider;

namespace larkspin {

// "Lame settings...": the bitrate and channel mode of MP3 output while ripping. Starts from the
// Bitrate and Channel settings; "Save" stores the working values back.
class TinternalEncoder : public QDialog {
    Q_OBJECT
public:
    explicit TinternalEncoder(QWidget* parent = nullptr);

    int WorkingBitrate() const { return workingBitrate_; }
    int WorkingMode() const { return workingMode_; }
    QSlider* BitrateSlider() const { return slider_; }
    QLabel* BitrateLabel() const { return label_; }
    QComboBox* ModeList() const { return modes_; }

    // Stores the working values into the settings and closes.
    void Save();

private:
    void SliderChange(int position);

    QSlider* slider_;
    QLabel* label_;
    QComboBox* modes_;
    int workingBitrate_;
    int workingMode_;
};

} // namespace larkspin
