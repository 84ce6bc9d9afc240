#include "TStationForm.h"

#include "Settings.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace larkspin {

TStationForm::TStationForm(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setWindowTitle(QStringLiteral("Zizezed Avidido [%1]").arg(MakerWebAddress));
    resize(620, 480);
}

void TStationForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Settings& s = settings();
    s.StationWindowShow = true;
    move(s.StationPosLeft, s.StationPosTop);
    if (s.StationWidth > 0 && s.StationHeight > 0)
        resize(s.StationWidth, s.StationHeight);
}

void TStationForm::closeEvent(QCloseEvent* event) {
    settings().StationWindowShow = false;
    QWidget::closeEvent(event);
}

} // namespace larkspin
