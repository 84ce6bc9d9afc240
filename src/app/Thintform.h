#pragma once

#include <QWidget>

namespace larkspin {

// The borderless track-information hint window shown over the library list.
class Thintform : public QWidget {
    Q_OBJECT
public:
    explicit Thintform(QWidget* parent = nullptr);
};

} // namespace larkspin
