// Draws the pictures of the shipped skins and writes their skin.ini files.
// Usage: larkspin_make_skins <skins folder>   (tools/make-skins.sh runs it on the repository's skins/)
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cstdio>

namespace {

struct Palette {
    const char* name;
    QColor top, bottom, edge, light, caption, panel, panelEdge, ledOn, ledOff, ledCaption, text;
    QColor face, faceDown, glyph, lit, groove, fill, handle;
    QColor listBg, listAlt, listText, selection, selectionText;
    const char* displayFont;
    const char* captionFont;
    const char* listFont;
    bool rounded;
};

const Palette Skins[] = {
    // Dark bronze with amber LEDs: the default look.
    {"VezAdev",
     QColor(0x4a, 0x3c, 0x2c),
     QColor(0x1e, 0x17, 0x10),
     QColor(0x0c, 0x08, 0x05),
     QColor(0x8a, 0x72, 0x52),
     QColor(0xf0, 0xd6, 0xa8),
     QColor(0x12, 0x0a, 0x04),
     QColor(0x00, 0x00, 0x00),
     QColor(0xff, 0xb0, 0x3a),
     QColor(0x2e, 0x1c, 0x0a),
     QColor(0xb8, 0x7a, 0x2a),
     QColor(0xe0, 0xc8, 0xa0),
     QColor(0x5a, 0x48, 0x34),
     QColor(0x2c, 0x22, 0x18),
     QColor(0xff, 0xe2, 0xb0),
     QColor(0xff, 0xb0, 0x3a),
     QColor(0x10, 0x0a, 0x05),
     QColor(0xc0, 0x7a, 0x20),
     QColor(0xe8, 0xd0, 0xa8),
     QColor(0x1a, 0x13, 0x0c),
     QColor(0x22, 0x19, 0x10),
     QColor(0xf0, 0xdc, 0xb8),
     QColor(0x8a, 0x52, 0x10),
     QColor(0xff, 0xf2, 0xd8),
     "DejaVu Sans Mono",
     "DejaVu Sans",
     "DejaVu Sans",
     true},
    // Pale frost with deep blue LCD digits: bright where VezAdev is dark.
    {"Glacier",
     QColor(0xf4, 0xf8, 0xfc),
     QColor(0xc8, 0xd6, 0xe4),
     QColor(0x6a, 0x7c, 0x90),
     QColor(0xff, 0xff, 0xff),
     QColor(0x1c, 0x34, 0x58),
     QColor(0xd8, 0xe8, 0xd0),
     QColor(0x5a, 0x6a, 0x58),
     QColor(0x10, 0x24, 0x60),
     QColor(0xc4, 0xd4, 0xbe),
     QColor(0x3c, 0x56, 0x7a),
     QColor(0x1c, 0x2c, 0x44),
     QColor(0xe4, 0xec, 0xf4),
     QColor(0xb8, 0xc8, 0xd8),
     QColor(0x1c, 0x34, 0x58),
     QColor(0x1e, 0x7a, 0xe0),
     QColor(0x9c, 0xac, 0xbc),
     QColor(0x1e, 0x7a, 0xe0),
     QColor(0xfa, 0xfc, 0xff),
     QColor(0xfc, 0xfd, 0xff),
     QColor(0xea, 0xf0, 0xf6),
     QColor(0x10, 0x20, 0x38),
     QColor(0x1e, 0x7a, 0xe0),
     QColor(0xff, 0xff, 0xff),
     "DejaVu Sans Mono",
     "DejaVu Serif",
     "DejaVu Sans",
     false},
};

// The player window's layout, which the background bitmap draws around.
constexpr QRect TitleStrip(0, 0, 407, 16);
constexpr QRect LedPanel(117, 19, 282, 106);
constexpr QRect CoverRect(8, 21, 103, 103);
constexpr QRect ButtonWell(4, 148, 399, 34);

void bevel(QPainter& p, QRect r, QColor light, QColor dark) {
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

bool save(const QImage& img, const QString& path, const char* format = "PNG", int quality = -1) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (img.save(path, format, quality))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

QImage background(const Palette& s) {
    QImage img(407, 192, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, 0, 192);
    g.setColorAt(0, s.top);
    g.setColorAt(1, s.bottom);
    p.fillRect(img.rect(), g);
    // A fine diagonal grain, the skin's own texture.
    for (int x = -192; x < 407; x += 4) {
        p.setPen(QColor(255, 255, 255, s.rounded ? 6 : 18));
        p.drawLine(x, 192, x + 192, 0);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(s.edge);
    p.drawRect(0, 0, 406, 191);
    bevel(p, QRect(1, 1, 404, 189), s.light, s.edge);

    // Title strip with the program's name.
    QLinearGradient t(0, 0, 0, 16);
    t.setColorAt(0, s.light.darker(s.rounded ? 150 : 105));
    t.setColorAt(1, s.top.darker(s.rounded ? 140 : 110));
    p.fillRect(TitleStrip.adjusted(2, 2, -2, 0), t);
    p.setPen(s.edge);
    p.drawLine(2, 16, 404, 16);
    QFont f(QString::fromLatin1(s.captionFont));
    f.setPixelSize(9);
    f.setBold(true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    p.setFont(f);
    p.setPen(s.caption);
    p.drawText(QRect(22, 1, 200, 15), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("LARKSPIN  3.0"));
    for (int x = 110; x < 360; x += s.rounded ? 6 : 12) {
        p.fillRect(QRect(x, 6, 2, 2), QColor(0, 0, 0, 90));
        p.fillRect(QRect(x, 9, 2, 2), QColor(255, 255, 255, 30));
    }

    // The LED panel: recessed glass.
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath panel;
    panel.addRoundedRect(QRectF(LedPanel).adjusted(0.5, 0.5, -0.5, -0.5), s.rounded ? 5 : 1,
                         s.rounded ? 5 : 1);
    p.fillPath(panel, s.panel);
    p.setPen(QPen(s.panelEdge, 1));
    p.drawPath(panel);
    QLinearGradient gloss(LedPanel.topLeft(), LedPanel.bottomLeft());
    gloss.setColorAt(0, QColor(255, 255, 255, s.rounded ? 18 : 60));
    gloss.setColorAt(0.4, QColor(255, 255, 255, 0));
    p.fillPath(panel, gloss);
    QColor line = s.ledCaption;
    line.setAlpha(90);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(LedPanel.left() + 4, 38, LedPanel.width() - 8, 1), line);
    p.fillRect(QRect(LedPanel.left() + 4, 74, LedPanel.width() - 8, 1), line);

    // Cover frame and the button well.
    bevel(p, CoverRect.adjusted(-1, -1, 1, 1), s.edge, s.light);
    p.fillRect(ButtonWell, QColor(0, 0, 0, s.rounded ? 50 : 20));
    bevel(p, ButtonWell, s.edge, s.light);
    return img;
}

// Seven segments a-g of one 11 x 19 cell.
QImage digits(const Palette& s) {
    static const unsigned char masks[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};
    QImage img(121, 19, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF seg[7] = {{2, 0.5, 7, 2},  {8.5, 2, 2, 7}, {8.5, 10, 2, 7}, {2, 16.5, 7, 2},
                           {0.5, 10, 2, 7}, {0.5, 2, 2, 7}, {2, 8.5, 7, 2}};
    for (int cell = 0; cell < 11; ++cell) {
        const unsigned mask = cell < 10 ? masks[cell] : 0;
        for (int i = 0; i < 7; ++i) {
            const QRectF r = seg[i].translated(cell * 11, 0);
            p.setPen(Qt::NoPen);
            p.setBrush((mask >> i) & 1 ? s.ledOn : s.ledOff);
            p.drawRoundedRect(r, 1, 1);
        }
    }
    return img;
}

enum class Glyph { Play, Pause, Stop, Previous, Next, Text, Menu, Minimize, Close };

QImage button(const Palette& s, QSize size, Glyph glyph, const QString& text, bool down) {
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF r = QRectF(img.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const bool flat = glyph == Glyph::Menu || glyph == Glyph::Minimize || glyph == Glyph::Close;
    if (!flat || down) {
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        const QColor face = down ? s.faceDown : s.face;
        g.setColorAt(0, down ? face : face.lighter(125));
        g.setColorAt(1, down ? face.lighter(115) : face.darker(135));
        p.setBrush(g);
        p.setPen(s.edge);
        const qreal radius = s.rounded ? std::min(r.height(), r.width()) / 2.0 - 0.5 : 1.5;
        p.drawRoundedRect(r, radius, radius);
    }
    const QColor c = down && !flat ? s.lit : s.glyph;
    const QPointF m = r.center() + (down ? QPointF(0.5, 0.5) : QPointF());
    const qreal k = std::min(r.width(), r.height()) * 0.55;
    QPainterPath path;
    switch (glyph) {
    case Glyph::Play:
        path.addPolygon(QPolygonF(
            {{m.x() - k * 0.4, m.y() - k / 2}, {m.x() + k * 0.5, m.y()}, {m.x() - k * 0.4, m.y() + k / 2}}));
        break;
    case Glyph::Pause:
        path.addRect(QRectF(m.x() - k * 0.42, m.y() - k / 2, k * 0.3, k));
        path.addRect(QRectF(m.x() + k * 0.12, m.y() - k / 2, k * 0.3, k));
        break;
    case Glyph::Stop:
        path.addRect(QRectF(m.x() - k * 0.42, m.y() - k * 0.42, k * 0.84, k * 0.84));
        break;
    case Glyph::Previous:
        path.addRect(QRectF(m.x() - k * 0.55, m.y() - k * 0.45, k * 0.16, k * 0.9));
        path.addPolygon(QPolygonF({{m.x() + k * 0.5, m.y() - k * 0.45},
                                   {m.x() - k * 0.35, m.y()},
                                   {m.x() + k * 0.5, m.y() + k * 0.45}}));
        break;
    case Glyph::Next:
        path.addPolygon(QPolygonF({{m.x() - k * 0.5, m.y() - k * 0.45},
                                   {m.x() + k * 0.35, m.y()},
                                   {m.x() - k * 0.5, m.y() + k * 0.45}}));
        path.addRect(QRectF(m.x() + k * 0.39, m.y() - k * 0.45, k * 0.16, k * 0.9));
        break;
    case Glyph::Menu:
        for (int i = -1; i <= 1; ++i)
            path.addRect(QRectF(m.x() - k * 0.5, m.y() + i * k * 0.35 - 0.6, k, 1.2));
        break;
    case Glyph::Minimize:
        path.addRect(QRectF(m.x() - k * 0.5, m.y() + k * 0.3, k, 1.6));
        break;
    case Glyph::Close: {
        QPainterPathStroker stroker;
        stroker.setWidth(1.5);
        QPainterPath cross;
        const qreal d = k * 0.45;
        cross.moveTo(m.x() - d, m.y() - d);
        cross.lineTo(m.x() + d, m.y() + d);
        cross.moveTo(m.x() + d, m.y() - d);
        cross.lineTo(m.x() - d, m.y() + d);
        path = stroker.createStroke(cross);
        break;
    }
    case Glyph::Text: {
        QFont f(QString::fromLatin1(s.captionFont));
        f.setPixelSize(std::max(7, int(r.height() * 0.62)));
        f.setBold(true);
        p.setFont(f);
        p.setPen(c);
        p.drawText(r.translated(down ? 0.5 : 0, down ? 0.5 : 0), Qt::AlignCenter, text);
        return img;
    }
    }
    p.fillPath(path.translated(0, 1), QColor(0, 0, 0, s.rounded ? 110 : 40));
    p.fillPath(path, c);
    return img;
}

QImage sliderGroove(const Palette& s) {
    QImage img(64, 13, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(s.edge);
    p.setBrush(s.groove);
    p.drawRoundedRect(QRectF(1.5, 4.5, 61, 4), 2, 2);
    return img;
}

QImage sliderHandle(const Palette& s) {
    QImage img(16, 13, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QLinearGradient g(0, 0, 0, 13);
    g.setColorAt(0, s.handle.lighter(110));
    g.setColorAt(1, s.handle.darker(150));
    p.setBrush(g);
    p.setPen(s.edge);
    if (s.rounded)
        p.drawEllipse(QRectF(1.5, 0.5, 13, 12));
    else
        p.drawRoundedRect(QRectF(0.5, 0.5, 15, 12), 2, 2);
    p.setPen(s.fill);
    p.drawLine(QPointF(8, 3), QPointF(8, 10));
    return img;
}

QImage panelTexture(const Palette& s) {
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(s.bottom);
    QPainter p(&img);
    p.setPen(QColor(255, 255, 255, s.rounded ? 8 : 40));
    for (int x = -32; x < 32; x += 4)
        p.drawLine(x, 32, x + 32, 0);
    return img;
}

// The skin's logo: the picture the player shows when a track has no cover.
QImage logo(const Palette& s, int side) {
    QImage img(side, side, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    QRadialGradient g(side * 0.35, side * 0.3, side);
    g.setColorAt(0, s.top.lighter(130));
    g.setColorAt(1, s.bottom);
    p.fillRect(img.rect(), g);
    // A larkspur spike: a stem with blossoms growing smaller towards the top.
    p.setPen(QPen(s.fill.darker(130), side / 60.0));
    p.drawLine(QPointF(side * 0.5, side * 0.92), QPointF(side * 0.5, side * 0.14));
    for (int i = 0; i < 7; ++i) {
        const qreal y = side * (0.78 - i * 0.095);
        const qreal r = side * (0.085 - i * 0.008);
        const qreal x = side * 0.5 + (i % 2 ? 1 : -1) * r * 0.6;
        QRadialGradient b(x, y, r);
        b.setColorAt(0, s.ledOn.lighter(140));
        b.setColorAt(1, s.ledOn.darker(120));
        p.setBrush(b);
        p.setPen(Qt::NoPen);
        for (int petal = 0; petal < 5; ++petal) {
            p.save();
            p.translate(x, y);
            p.rotate(petal * 72.0);
            p.drawEllipse(QRectF(-r * 0.35, -r, r * 0.7, r));
            p.restore();
        }
    }
    QFont f(QString::fromLatin1(s.captionFont));
    f.setPixelSize(side / 9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(s.caption);
    p.drawText(QRectF(0, side * 0.86, side, side * 0.14), Qt::AlignCenter, QStringLiteral("Larkspin"));
    return img;
}

struct ButtonSpec {
    const char* name;
    QSize size;
    Glyph glyph;
    const char* text;
};

const ButtonSpec Buttons[] = {
    {"PlayBtn", {32, 26}, Glyph::Play, ""},         {"PauseBtn", {32, 26}, Glyph::Pause, ""},
    {"StopBtn", {32, 26}, Glyph::Stop, ""},         {"LastBtn", {32, 26}, Glyph::Previous, ""},
    {"NextBtn", {32, 26}, Glyph::Next, ""},         {"ShuffleBtn", {36, 13}, Glyph::Text, "SHUF"},
    {"RepeatBtn", {36, 13}, Glyph::Text, "REP"},    {"Repeat1Btn", {36, 13}, Glyph::Text, "REP1"},
    {"PlaylistBtn", {36, 13}, Glyph::Text, "PL"},   {"StationBtn", {36, 13}, Glyph::Text, "LIB"},
    {"BtnSettings", {36, 13}, Glyph::Text, "SET"},  {"MenuBtn", {14, 12}, Glyph::Menu, ""},
    {"MinimizeBtn", {15, 12}, Glyph::Minimize, ""}, {"CloseBtn", {15, 12}, Glyph::Close, ""},
};

QString hex(const QColor& c) {
    return c.name(QColor::HexRgb);
}

bool makeSkin(const Palette& s, const QString& root) {
    const QString dir = root + QLatin1Char('/') + QLatin1String(s.name);
    bool ok = save(background(s), dir + "/player.png") && save(digits(s), dir + "/digits.png") &&
              save(sliderGroove(s), dir + "/slider-groove.png") &&
              save(sliderHandle(s), dir + "/slider-handle.png") &&
              save(panelTexture(s), dir + "/panel.png") &&
              save(logo(s, 206), dir + "/_display/_logo.jpg", "JPEG", 85);
    QString ini;
    QTextStream out(&ini);
    out << "; Larkspin skin description (see ../README.md). Written by tools/make-skins.sh.\n"
        << "[Skin]\nName=" << s.name << "\nAuthor=Larkspin\nVersion=1\n\n[Colors]\n";
    const std::pair<const char*, QColor> colors[] = {
        {"WindowTop", s.top},
        {"WindowBottom", s.bottom},
        {"WindowEdge", s.edge},
        {"WindowLight", s.light},
        {"Caption", s.caption},
        {"Panel", s.panel},
        {"PanelEdge", s.panelEdge},
        {"LedOn", s.ledOn},
        {"LedOff", s.ledOff},
        {"LedCaption", s.ledCaption},
        {"Text", s.text},
        {"ButtonFace", s.face},
        {"ButtonFaceDown", s.faceDown},
        {"ButtonGlyph", s.glyph},
        {"ButtonLit", s.lit},
        {"SliderGroove", s.groove},
        {"SliderFill", s.fill},
        {"SliderHandle", s.handle},
        {"ListBackground", s.listBg},
        {"ListAlternate", s.listAlt},
        {"ListText", s.listText},
        {"ListSelection", s.selection},
        {"ListSelectionText", s.selectionText},
    };
    for (const auto& [key, color] : colors)
        out << key << '=' << hex(color) << '\n';
    out << "\n[Fonts]\nDisplay=" << s.displayFont << ", 0, bold\nCaption=" << s.captionFont
        << ", 0\nList=" << s.listFont << ", 12\n\n[Bitmaps]\nBackground=player.png\nDigits=digits.png\n"
        << "Slider.Groove=slider-groove.png\nSlider.Handle=slider-handle.png\nPanel=panel.png\n";
    for (const ButtonSpec& b : Buttons) {
        const QString file = QString::fromLatin1(b.name).toLower();
        ok =
            ok &&
            save(button(s, b.size, b.glyph, QString::fromLatin1(b.text), false), dir + "/" + file + ".png") &&
            save(button(s, b.size, b.glyph, QString::fromLatin1(b.text), true),
                 dir + "/" + file + "-down.png");
        out << "Button." << b.name << '=' << file << ".png\n";
        out << "Button." << b.name << ".Down=" << file << "-down.png\n";
    }
    out.flush();
    QFile f(dir + "/skin.ini");
    return ok && f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(ini.toUtf8()) == ini.toUtf8().size();
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <skins folder>\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    for (const Palette& s : Skins)
        ok = makeSkin(s, root) && ok;
    // The logo of skins that bring none.
    ok = save(logo(Skins[0], 206), root + "/main_logo.jpg", "JPEG", 85) && ok;
    return ok ? 0 : 1;
}
