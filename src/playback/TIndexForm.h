#pragma once

#include "IndexMarks.h"

#include <QDialog>

class QScrollBar;
class QSpinBox;
class QTableWidget;
class QPushButton;

namespace larkspin {

// The index editor window: sets a new mark (set mode, value > 0) or renames and deletes the marks of
// one index file (edit mode, value 0). Save writes the file; a failed write is reported and the
// window stays open.
class TIndexForm : public QDialog {
    Q_OBJECT
public:
    TIndexForm(const QString& targetFile, int minimum, int maximum, int value, QWidget* parent = nullptr);
    ~TIndexForm() override;

    // The number of the mark just set, from 1 in the saved order; 0 when nothing was saved or in edit mode.
    int newMarkNumber() const { return newMarkNumber_; }

    const IndexEditor& editor() const { return editor_; }
    QSpinBox* numberBox() const { return numberBox_; }
    QScrollBar* scrollBar() const { return scrollBar_; }
    QTableWidget* list() const { return list_; }

    void SaveBtnClick();
    void DeleteBtnClick();

private:
    void fillList();
    void positionChanged(int seconds);

    IndexEditor editor_;
    QSpinBox* numberBox_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    QTableWidget* list_ = nullptr;
    int newMarkNumber_ = 0;
    bool filling_ = false;
};

} // namespace larkspin
