#pragma once

#include "SkinDescription.h"

#include <QPixmap>
#include <QWidget>

namespace larkspin {

// The cover picture: any picture Qt reads, stretched to the widget. A picture that cannot be read
// leaves the frame empty; nothing is reported.
class TCoverImage : public QWidget {
    Q_OBJECT
public:
    explicit TCoverImage(QWidget* parent = nullptr);

    // Loads the picture at path; false (and an empty frame) when it is missing or unreadable.
    bool loadFile(const QString& path);
    void clear();
    bool hasPicture() const { return !picture_.isNull(); }
    QString fileName() const { return fileName_; }

    void setSkin(const SkinDescription& skin);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SkinDescription skin_ = SkinDescription::builtIn();
    QPixmap picture_;
    QString fileName_;
};

} // namespace larkspin
