#pragma once

#include <QGroupBox>

class QTableWidget;
class QToolButton;

namespace larkspin {

class CdPanel;
struct Settings;

// The playlist window's CD panel ("CD Digital Audio"): shows the CD player's track rows over the
// entry list and passes clicks to CdPanel. Shown while the CD player is open. Its messages and the
// CDDB match window are modal over it.
class TCdPanelWidget : public QGroupBox {
    Q_OBJECT
public:
    TCdPanelWidget(CdPanel& panel, const Settings& settings, QWidget* parent = nullptr);

    QTableWidget* cdlistview() const { return cdlistview_; }

private:
    void showRows();
    void showMarks();
    void selectRow(int row);

    CdPanel& panel_;
    const Settings& settings_;
    QTableWidget* cdlistview_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    bool selecting_ = false; // the panel asked for the selection; no click to pass back
};

} // namespace larkspin
