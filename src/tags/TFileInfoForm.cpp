#include "TFileInfoForm.h"

#include "CoverPicture.h"
#include "FileNameParts.h"
#include "Settings.h"
#include "TCoverImage.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <QtGlobal>

namespace larkspin {

Q_LOGGING_CATEGORY(lcFileInfo, "larkspin.tags", QtWarningMsg)

namespace {

constexpr int NarrowWidth = 441;
constexpr int WideWidth = 785;
constexpr int WindowHeight = 417;

template <class T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit* ReadOnlyField(const char* name, QWidget* parent) {
    auto* edit = Named(new QLineEdit(parent), name);
    edit->setReadOnly(true);
    return edit;
}

// Suspends a flag for a scope and puts the old value back.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
    ~FlagScope() { flag_ = old_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool old_;
};

} // namespace

TFileInfoForm::TFileInfoForm(Settings& settings, const QString& programFolder, QWidget* parent)
    : QDialog(parent), settings_(settings), programFolder_(programFolder) {
    setObjectName(QStringLiteral("FileInfoForm"));
    setWindowTitle(QStringLiteral("File informations..."));

    Pages = Named(new QTabWidget(this), "Pages");
    auto* titlePage = new QWidget(Pages);
    auto* filePage = new QWidget(Pages);
    buildTitlePage(titlePage);
    buildFilePage(filePage);
    Pages->addTab(titlePage, QStringLiteral("Titleinformations"));
    Pages->addTab(filePage, QStringLiteral("Fileinformations"));

    TypeIcon = Named(new QLabel(this), "TypeIcon");
    TypeIcon->setFrameShape(QFrame::Box);
    TypeIcon->setAlignment(Qt::AlignCenter);
    TypeIcon->setMinimumSize(48, 24);
    CloseBtn = Named(new QPushButton(QStringLiteral("Close window"), this), "CloseBtn");
    ShowListBtn = Named(new QPushButton(QStringLiteral("Show Filelist >>"), this), "ShowListBtn");
    GetPlaylistBtn = Named(new QPushButton(QStringLiteral("Get playlist"), this), "GetPlaylistBtn");
    GetPlaylistBtn->hide();
    connect(CloseBtn, &QPushButton::clicked, this, &TFileInfoForm::CloseClick);
    connect(ShowListBtn, &QPushButton::clicked, this, &TFileInfoForm::ShowListClick);
    connect(GetPlaylistBtn, &QPushButton::clicked, this, &TFileInfoForm::GetPlaylistClick);

    ListGroup = Named(new QGroupBox(QStringLiteral("Filelist"), this), "ListGroup");
    ScrollBox1 = Named(new QTreeWidget(ListGroup), "ScrollBox1");
    ScrollBox1->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Path")});
    ScrollBox1->setRootIsDecorated(false);
    ScrollBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ScrollBox1, &QTreeWidget::itemSelectionChanged, this, &TFileInfoForm::fileChosen);
    auto* listLayout = new QVBoxLayout(ListGroup);
    listLayout->addWidget(ScrollBox1);
    listLayout->addWidget(GetPlaylistBtn);
    ListGroup->hide();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(TypeIcon);
    buttons->addStretch();
    buttons->addWidget(ShowListBtn);
    buttons->addWidget(CloseBtn);
    auto* left = new QVBoxLayout;
    left->addWidget(Pages);
    left->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 0);
    layout->addWidget(ListGroup, 1);

    resize(NarrowWidth, WindowHeight);
}

void TFileInfoForm::buildTitlePage(QWidget* page) {
    spinEdit5 = Named(new QSpinBox(page), "spinEdit5");
    spinEdit5->setRange(0, 99);
    Edit4 = Named(new QLineEdit(page), "Edit4");
    Edit1 = Named(new QLineEdit(page), "Edit1");
    Edit2 = Named(new QLineEdit(page), "Edit2");
    Edit3 = Named(new QLineEdit(page), "Edit3");
    Edit6 = Named(new QLineEdit(page), "Edit6");
    ComboBox1 = Named(new QComboBox(page), "ComboBox1");
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    for (std::string_view name : GenreTable)
        ComboBox1->addItem(QString::fromLatin1(name.data(), qsizetype(name.size())));
    ComboBox1->setCurrentIndex(-1);
    Image1 = Named(new TCoverImage(page), "Image1");
    Image1->setFixedSize(96, 96);
    Image1->hide();
    Image2 = Named(new QLabel(QStringLiteral("ID3v2"), page), "Image2");
    Image2->setFrameShape(QFrame::Panel);
    Image2->hide();
    vau1 = Named(new QCheckBox(QStringLiteral("Id3v1"), page), "vau1");
    vau2 = Named(new QCheckBox(QStringLiteral("Id3v2"), page), "vau2");
    vau1->setChecked(true);
    vau2->setChecked(true);
    CheckBox13 = Named(new QCheckBox(QStringLiteral("Autosave"), page), "CheckBox13");
    SaveTagBtn = Named(new QPushButton(QStringLiteral("Save Tag"), page), "SaveTagBtn");
    ReloadTagBtn = Named(new QPushButton(QStringLiteral("Reload Tag"), page), "ReloadTagBtn");

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Track #:"), spinEdit5);
    form->addRow(QStringLiteral("Year:"), Edit4);
    form->addRow(QStringLiteral("Artist:"), Edit1);
    form->addRow(QStringLiteral("Title:"), Edit2);
    form->addRow(QStringLiteral("Album:"), Edit3);
    form->addRow(QStringLiteral("Comment:"), Edit6);
    form->addRow(QStringLiteral("Genre:"), ComboBox1);
    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Cover:"), page));
    side->addWidget(Image1);
    side->addStretch();
    side->addWidget(Image2);
    side->addWidget(vau1);
    side->addWidget(vau2);
    side->addWidget(CheckBox13);
    side->addWidget(SaveTagBtn);
    side->addWidget(ReloadTagBtn);
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(form, 1);
    layout->addLayout(side);

    connect(SaveTagBtn, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(ReloadTagBtn, &QPushButton::clicked, this, &TFileInfoForm::Button4Click);
    connect(vau1, &QCheckBox::toggled, this, &TFileInfoForm::Button4Click);
    connect(vau2, &QCheckBox::toggled, this, &TFileInfoForm::Button4Click);
    connect(CheckBox13, &QCheckBox::toggled, this, [this](bool on) { settings_.Id3v1autosave = on; });
    // Autosave follows the user's changes of these three; the others are saved with them.
    connect(spinEdit5, &QSpinBox::valueChanged, this, &TFileInfoForm::autoSave);
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &TFileInfoForm::autoSave);
    connect(Edit1, &QLineEdit::textEdited, this, &TFileInfoForm::autoSave);
}

void TFileInfoForm::buildFilePage(QWidget* page) {
    FileTypeInfo = ReadOnlyField("FileTypeInfo", page);
    FileSizeInfo = ReadOnlyField("FileSizeInfo", page);
    DurationInfo = ReadOnlyField("DurationInfo", page);
    SampleRateInfo = ReadOnlyField("SampleRateInfo", page);
    ChannelModeInfo = ReadOnlyField("ChannelModeInfo", page);
    BitrateInfo = ReadOnlyField("BitrateInfo", page);
    EncoderInfo = ReadOnlyField("EncoderInfo", page);
    FramesInfo = ReadOnlyField("FramesInfo", page);
    FirstFrameInfo = ReadOnlyField("FirstFrameInfo", page);
    EmphasisInfo = ReadOnlyField("EmphasisInfo", page);
    CrcInfo = ReadOnlyField("CrcInfo", page);
    CopyrightInfo = ReadOnlyField("CopyrightInfo", page);
    OriginalInfo = ReadOnlyField("OriginalInfo", page);

    auto* general = new QGroupBox(QStringLiteral("General informations"), page);
    auto* g = new QFormLayout(general);
    g->addRow(QStringLiteral("Filetype:"), FileTypeInfo);
    g->addRow(QStringLiteral("Filesize:"), FileSizeInfo);
    g->addRow(QStringLiteral("Duration:"), DurationInfo);
    g->addRow(QStringLiteral("Samplerate:"), SampleRateInfo);
    g->addRow(QStringLiteral("Channelmode:"), ChannelModeInfo);
    auto* compressed = new QGroupBox(QStringLiteral("Informations of compressed files"), page);
    auto* c = new QFormLayout(compressed);
    c->addRow(QStringLiteral("Bitrate:"), BitrateInfo);
    c->addRow(QStringLiteral("Encoder:"), EncoderInfo);
    c->addRow(QStringLiteral("Total frames:"), FramesInfo);
    c->addRow(QStringLiteral("First frame at:"), FirstFrameInfo);
    c->addRow(QStringLiteral("Emphasis:"), EmphasisInfo);
    c->addRow(QStringLiteral("CRC:"), CrcInfo);
    c->addRow(QStringLiteral("Copyright:"), CopyrightInfo);
    c->addRow(QStringLiteral("Original:"), OriginalInfo);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(general);
    layout->addWidget(compressed);
}

void TFileInfoForm::Open(const QString& path) {
    path_ = path;
    LoadFileInfo();
    {
        // Ticking the box is no edit: the first fill is never saved.
        FlagScope quiet(filling_, true);
        CheckBox13->setChecked(settings_.Id3v1autosave);
    }
    if (settings_.ShowList && width() < NarrowWidth + 1)
        ShowListClick();
}

void TFileInfoForm::LoadFileInfo() {
    FlagScope quiet(filling_, true);
    TypeIcon->clear();
    Image1->clear();
    Image1->hide();
    Image2->hide();
    SaveTagBtn->show();
    CheckBox13->show();
    vau1->hide();
    vau2->hide();
    setProperties({});

    wav_.Clear();
    ogg_.Clear();
    id3v1_.Clear();
    id3v2_.Clear();
    mpeg_.Clear();
    const std::string file = QFile::encodeName(path_).toStdString();
    const QString type = QString::fromStdString(UpperFileExt(file));
    if (type == QLatin1String("MP3")) {
        TypeIcon->setText(QStringLiteral("MP3"));
        if (!id3v1_.Load(file) || !id3v2_.Load(file) || !mpeg_.Load(file))
            qCInfo(lcFileInfo) << "could not read all of" << path_;
        vau1->show();
        vau2->show();
        const QString cover = programFolder_ + QStringLiteral("/temp.jpg");
        if (!programFolder_.isEmpty() && FindAudioStart(file) &&
            ExtractCover(file, QFile::encodeName(programFolder_).toStdString()) && QFile::exists(cover) &&
            Image1->loadFile(cover))
            Image1->show();
    } else if (type == QLatin1String("OGG")) {
        // Ogg files are shown, never written.
        SaveTagBtn->hide();
        CheckBox13->hide();
        TypeIcon->setText(QStringLiteral("OGG"));
        if (!ogg_.Load(file))
            qCInfo(lcFileInfo) << "could not read" << path_;
    } else if (type == QLatin1String("WAV")) {
        TypeIcon->setText(QStringLiteral("WAV"));
        if (!wav_.Load(file))
            qCInfo(lcFileInfo) << "could not read" << path_;
    }
    type_ = type == QLatin1String("MP3") || type == QLatin1String("OGG") || type == QLatin1String("WAV")
                ? type
                : QString();
    Button4Click();
}

void TFileInfoForm::Button4Click() {
    // A refill is no edit: Autosave must not write what was only read.
    FlagScope quiet(filling_, true);
    if (type_ == QLatin1String("MP3")) {
        const Mp3TagView view = Mp3TagFields(id3v1_, id3v2_, vau1->isChecked(), vau2->isChecked());
        setFields(view.fields);
        Image2->setVisible(view.fromId3v2);
        setProperties(Mp3Properties(mpeg_));
    } else if (type_ == QLatin1String("WAV")) {
        setProperties(WavProperties(wav_));
    } else if (type_ == QLatin1String("OGG")) {
        setFields(OggTagFields(ogg_));
        setProperties(OggProperties(ogg_));
    }
}

bool TFileInfoForm::Button1Click() {
    if (type_ != QLatin1String("MP3"))
        return true;
    const QString message = SaveTagFields(path_, fields(), vau1->isChecked() ? &id3v1_ : nullptr,
                                          vau2->isChecked() ? &id3v2_ : nullptr);
    lastError_ = message;
    if (message.isEmpty()) {
        saved_ |= vau1->isChecked() || vau2->isChecked();
        return true;
    }
    qCWarning(lcFileInfo) << message;
    // A failing Autosave would fail again on the next keystroke: it is turned off until the user
    // ticks it again.
    if (CheckBox13->isChecked()) {
        FlagScope quiet(filling_, true);
        CheckBox13->setChecked(false);
    }
    emit saveFailed(message);
    if (isVisible())
        QMessageBox::warning(this, QStringLiteral("File informations..."), message);
    return false;
}

void TFileInfoForm::autoSave() {
    if (!filling_ && CheckBox13->isChecked())
        Button1Click();
}

void TFileInfoForm::CloseClick() {
    if (CheckBox13->isChecked() && CheckBox13->isVisible())
        Button1Click();
    closing_ = true;
    close();
}

void TFileInfoForm::closeEvent(QCloseEvent* event) {
    // The window's own close button ends the dialog as "Close window" does.
    if (!closing_ && CheckBox13->isChecked() && CheckBox13->isVisible())
        Button1Click();
    closing_ = false;
    QDialog::closeEvent(event);
}

void TFileInfoForm::ShowListClick() {
    const QRect screen = QGuiApplication::primaryScreen()
                             ? QGuiApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1024, 768);
    if (width() < NarrowWidth + 1) {
        ListGroup->show();
        GetPlaylistBtn->show();
        resize(WideWidth, height());
        move(screen.width() / 2 - 392, y());
        ShowListBtn->setText(QStringLiteral("<< Hide Filelist"));
        settings_.ShowList = true;
    } else {
        ListGroup->hide();
        GetPlaylistBtn->hide();
        resize(NarrowWidth, height());
        move(screen.x() + (screen.width() - NarrowWidth) / 2, y());
        ShowListBtn->setText(QStringLiteral("Show Filelist >>"));
        settings_.ShowList = false;
    }
}

void TFileInfoForm::GetPlaylistClick() {
    const QSignalBlocker block(ScrollBox1);
    ScrollBox1->clear();
    if (!playlistSource_)
        return;
    for (const ListRow& row : playlistSource_())
        new QTreeWidgetItem(ScrollBox1, {row.file, row.path});
}

void TFileInfoForm::fileChosen() {
    QTreeWidgetItem* item = ScrollBox1->currentItem();
    if (!item)
        return;
    path_ = item->text(1);
    // The pending edits of the file shown so far are not written into the next one.
    FlagScope quiet(filling_, true);
    LoadFileInfo();
}

TagFields TFileInfoForm::fields() const {
    return {spinEdit5->value(), Edit4->text(), Edit1->text(),           Edit2->text(),
            Edit3->text(),      Edit6->text(), ComboBox1->currentText()};
}

void TFileInfoForm::setFields(const TagFields& f) {
    spinEdit5->setValue(f.track);
    Edit4->setText(f.year);
    Edit1->setText(f.artist);
    Edit2->setText(f.title);
    Edit3->setText(f.album);
    Edit6->setText(f.comment);
    const int index = GenreIndexOf(f.genre);
    if (index < GenreCount && ComboBox1->itemText(index) == f.genre) {
        ComboBox1->setCurrentIndex(index);
    } else {
        ComboBox1->setCurrentIndex(-1);
        ComboBox1->setEditText(f.genre);
    }
}

void TFileInfoForm::setProperties(const FileProperties& p) {
    FileTypeInfo->setText(p.fileType);
    FileSizeInfo->setText(p.fileSize);
    DurationInfo->setText(p.duration);
    SampleRateInfo->setText(p.sampleRate);
    ChannelModeInfo->setText(p.channelMode);
    BitrateInfo->setText(p.bitrate);
    EncoderInfo->setText(p.encoder);
    FramesInfo->setText(p.totalFrames);
    FirstFrameInfo->setText(p.firstFrame);
    EmphasisInfo->setText(p.emphasis);
    CrcInfo->setText(p.crc);
    CopyrightInfo->setText(p.copyright);
    OriginalInfo->setText(p.original);
}

FileProperties TFileInfoForm::properties() const {
    return {FileTypeInfo->text(),    FileSizeInfo->text(), DurationInfo->text(), SampleRateInfo->text(),
            ChannelModeInfo->text(), BitrateInfo->text(),  EncoderInfo->text(),  FramesInfo->text(),
            FirstFrameInfo->text(),  EmphasisInfo->text(), CrcInfo->text(),      CopyrightInfo->text(),
            OriginalInfo->text()};
}

} // namespace larkspin
