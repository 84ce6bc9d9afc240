// The settings window's pages and controls, in the order they are shown.
#include "TPlugInForm.h"

#include "Language.h"
#include "MakerAddress.h"
#include "PlugInHost.h"
#include "PrivateProfile.h"
#include "ProgramFolder.h"
#include "Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace larkspin {
namespace {

// Server names offered in the "Server" list (the user may type any other).
const char* const CddbServers[] = {"gnudb.gnudb.org", "freedb.dbpoweramp.com"};

QGroupBox* group(const QString& title, QLayout* layout) {
    auto* box = new QGroupBox(title);
    box->setLayout(layout);
    return box;
}

QWidget* page(std::initializer_list<QWidget*> parts) {
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    for (QWidget* part : parts)
        v->addWidget(part);
    v->addStretch(1);
    return w;
}

QLabel* link(const QString& address) {
    auto* l = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(address));
    l->setOpenExternalLinks(true);
    return l;
}

} // namespace

QCheckBox* TPlugInForm::check(const QString& text, const QString& name, bool Settings::*setting) {
    auto* c = new QCheckBox(text);
    c->setObjectName(name);
    if (setting) {
        checks_.push_back({c, setting});
        connect(c, &QCheckBox::toggled, this, [this, setting](bool on) {
            if (!filling_)
                settings().*setting = on;
        });
    }
    return c;
}

QWidget* TPlugInForm::buildMainPage() {
    TempEdit = new QLineEdit;
    TempEdit->setObjectName(QStringLiteral("TempEdit"));
    auto* search = new QPushButton(QStringLiteral("Search..."));
    connect(search, &QPushButton::clicked, this, &TPlugInForm::chooseDefaultPath);
    connect(TempEdit, &QLineEdit::textEdited, this,
            [](const QString& text) { settings().Temp = text.toStdString(); });
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(TempEdit, 1);
    pathRow->addWidget(search);

    // Both are always on: the windows always snap and stick together.
    auto* windows = new QVBoxLayout;
    for (const char* text :
         {"Allow docking to the screen borders", "Glue windows to each other after docking"}) {
        QCheckBox* c = check(QString::fromUtf8(text), {}, nullptr);
        c->setChecked(true);
        windows->addWidget(c);
    }

    RememberPlaylist = check(QStringLiteral("Remember which playlist was opened last time"),
                             QStringLiteral("RememberPlaylist"), nullptr);
    SelectedPlaylist =
        check(QStringLiteral("Always open this playlist:"), QStringLiteral("SelectedPlaylist"), nullptr);
    SelPlaylistEdit = new QLineEdit(QStringLiteral("Path"));
    SelPlaylistEdit->setObjectName(QStringLiteral("SelPlaylistEdit"));
    SelPlaylistEdit->setReadOnly(true);
    SelPlaylistSearch = new QPushButton(QStringLiteral("Search..."));
    connect(SelPlaylistSearch, &QPushButton::clicked, this, &TPlugInForm::chooseStartPlaylist);
    connect(RememberPlaylist, &QCheckBox::toggled, this, [this](bool on) {
        if (filling_)
            return;
        SetRememberPlaylist(settings(), on);
        FillSettingsControls();
    });
    connect(SelectedPlaylist, &QCheckBox::toggled, this, [this](bool on) {
        if (filling_)
            return;
        SetSelectedPlaylist(settings(), on);
        FillSettingsControls();
    });
    auto* startup = new QVBoxLayout;
    startup->addWidget(RememberPlaylist);
    auto* selRow = new QHBoxLayout;
    selRow->addWidget(SelectedPlaylist);
    selRow->addWidget(SelPlaylistEdit, 1);
    selRow->addWidget(SelPlaylistSearch);
    startup->addLayout(selRow);
    startup->addWidget(check(QStringLiteral("Play the first track on startup"),
                             QStringLiteral("AutomaticPlay"), &Settings::AutomaticPlay));

    return page({group(QStringLiteral("Default path (Ripper, Encoder, ...)"), pathRow),
                 group(QStringLiteral("Windows"), windows), group(QStringLiteral("Startup"), startup)});
}

QWidget* TPlugInForm::buildPlaylistPage() {
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("PlaylistPages"));

    auto* tags = new QVBoxLayout;
    tags->addWidget(check(QStringLiteral("Try to read Id3v2 Tag "), QStringLiteral("ReadId3v2Tag"),
                          &Settings::ReadId3v2Tag));
    auto* load = new QVBoxLayout;
    load->addWidget(
        check(QStringLiteral("Reload fileinformations everytime a playlist is loaded (very slow)"),
              QStringLiteral("ReloadInfos"), &Settings::ReloadInfos));
    load->addWidget(check(QStringLiteral("Stop playback on playlistload"), QStringLiteral("StopPlayback"),
                          &Settings::StopPlayback));
    PlayFontSize = new QSpinBox;
    PlayFontSize->setObjectName(QStringLiteral("PlayFontSize"));
    PlayFontSize->setRange(1, 99);
    connect(PlayFontSize, &QSpinBox::valueChanged, this, [this](int v) {
        if (!filling_)
            settings().PlayFontSize = v;
    });
    auto* font = new QFormLayout;
    font->addRow(QStringLiteral("Size"), PlayFontSize);
    tabs->addTab(
        page({group(QStringLiteral("Reading of Tag informations (only mp3)"), tags),
              group(QStringLiteral("Playlistload"), load), group(QStringLiteral("Fontstyle"), font)}),
        QStringLiteral("Main"));

    auto* columns = new QFormLayout;
    for (int k = 1; k <= 10; ++k) {
        auto* box = new QComboBox;
        box->setObjectName(QStringLiteral("No%1").arg(k, 2, 10, QLatin1Char('0')));
        for (int i = 0; i < (k <= 2 ? NoColumn : NoColumn + 1); ++i)
            box->addItem(QString::fromLatin1(ColumnNames[i]));
        connect(box, &QComboBox::activated, this, [this, k](int position) { ColumnChange(k, position); });
        No[k - 1] = box;
        columns->addRow(box->objectName(), box);
    }
    IconIndex = new QComboBox;
    IconIndex->setObjectName(QStringLiteral("IconIndex"));
    IconIndex->addItems({QStringLiteral("Black arrow"), QStringLiteral("White arrow"),
                         QStringLiteral("Blue arrow"), QStringLiteral("Yellow arrow"),
                         QStringLiteral("Red arrow")});
    connect(IconIndex, &QComboBox::activated, this, [](int i) { settings().IconIndex = i; });
    auto* arrow = new QVBoxLayout;
    arrow->addWidget(IconIndex);
    tabs->addTab(page({group(QStringLiteral("Columns"), columns),
                       group(QStringLiteral("Color of the \"Actual Title\" arrow"), arrow)}),
                 QStringLiteral("View"));
    return tabs;
}

QWidget* TPlugInForm::buildLibraryPage() {
    ActivateOrganizer = check(QStringLiteral("Activate the Larkspin Library (slower/more memory needed)"),
                              QStringLiteral("ActivateOrganizer"), nullptr);
    ActivateRating =
        check(QStringLiteral("Activate rating"), QStringLiteral("ActivateRating"), &Settings::ActivateRating);
    ActivateAdd = check(QStringLiteral("Add new files to Library"), QStringLiteral("ActivateAdd"),
                        &Settings::ActivateAdd);
    connect(ActivateOrganizer, &QCheckBox::toggled, this, &TPlugInForm::libraryOptionToggled);
    // Loading or emptying the library follows the user's click only, not the window being filled.
    connect(ActivateOrganizer, &QCheckBox::clicked, this, &TPlugInForm::libraryOptionReleased);
    auto* options = new QVBoxLayout;
    options->addWidget(ActivateOrganizer);
    options->addWidget(ActivateRating);
    options->addWidget(ActivateAdd);

    auto* transform = new QVBoxLayout;
    transform->addWidget(check(QStringLiteral("\"01 Artist - Title\" ---> \"Artist - Title\""),
                               QStringLiteral("TransformArtOrg"), &Settings::TransformArtOrg));
    transform->addWidget(check(QStringLiteral("\"Artist - 01 Title\" ---> \"Artist - Title\""),
                               QStringLiteral("TransformTitOrg"), &Settings::TransformTitOrg));
    OrgFontSize = new QSpinBox;
    OrgFontSize->setObjectName(QStringLiteral("OrgFontSize"));
    OrgFontSize->setRange(1, 99);
    connect(OrgFontSize, &QSpinBox::valueChanged, this, [this](int v) {
        if (!filling_)
            settings().OrgFontSize = v;
    });
    auto* font = new QFormLayout;
    font->addRow(QStringLiteral("Size"), OrgFontSize);
    return page({group(QStringLiteral("Library"), options),
                 group(QStringLiteral("Filename transforming (the filename will not be changed)"), transform),
                 group(QStringLiteral("Fontstyle"), font)});
}

QWidget* TPlugInForm::buildPlugInsPage() {
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("PlugInPages"));
    tabs->addTab(buildDecoderPage(), QStringLiteral("Decoder"));
    tabs->addTab(buildSoundPage(), QStringLiteral("Sound"));
    tabs->addTab(buildLoudnessPage(), QStringLiteral("Loudness"));
    tabs->addTab(buildEncoderPage(), QStringLiteral("Encoder"));
    tabs->addTab(buildTranscoderPage(), QStringLiteral("Transcoder"));
    return tabs;
}

QWidget* TPlugInForm::buildDecoderPage() {
    ActualPlugIn = new QLabel(QStringLiteral("[none]"));
    ActualPlugIn->setObjectName(QStringLiteral("ActualPlugIn"));
    auto* actual = new QHBoxLayout;
    actual->addWidget(new QLabel(QStringLiteral("Actual PlugIn:")));
    actual->addWidget(ActualPlugIn, 1);
    ListInput = new QTreeWidget;
    ListInput->setObjectName(QStringLiteral("ListInput"));
    ListInput->setHeaderLabels({QStringLiteral("Input PlugIn"), QStringLiteral("Filetypes")});
    ListInput->setRootIsDecorated(false);
    connect(ListInput, &QTreeWidget::itemChanged, this, [this] {
        if (!filling_)
            ListInputClick();
    });
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    v->addLayout(actual);
    v->addWidget(ListInput, 1);
    return w;
}

QWidget* TPlugInForm::buildSoundPage() {
    auto* v = new QVBoxLayout;
    v->addWidget(check(QStringLiteral("Always prefer \"Direct Sound\" if supported"),
                       QStringLiteral("DirectSound"), &Settings::DirectSound));
    const char* titles[3] = {"\"Stop\" Fade Out", "\"Play\" Fade In", "Crossfading"};
    const char* names[3] = {"StopFade", "PlayFade", "Crossfading"};
    bool Settings::*flags[3] = {&Settings::StopFade, &Settings::PlayFade, &Settings::Crossfading};
    for (int i = 0; i < 3; ++i) {
        fadeChecks_[i] = check(QString::fromUtf8(titles[i]), QString::fromLatin1(names[i]), flags[i]);
        fadeFields_[i] = new QLineEdit;
        fadeFields_[i]->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("Time"));
        fadeFields_[i]->setMaximumWidth(80);
        fadeSliders_[i] = new QSlider(Qt::Horizontal);
        fadeSliders_[i]->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("Slider"));
        fadeSliders_[i]->setRange(FadeSliderMin, FadeSliderMax);
        connect(fadeFields_[i], &QLineEdit::textEdited, this,
                [this, i](const QString& t) { fadeFieldEdited(i, t); });
        connect(fadeSliders_[i], &QSlider::valueChanged, this, [this, i](int p) { fadeSliderMoved(i, p); });
        auto* row = new QHBoxLayout;
        row->addWidget(fadeChecks_[i], 2);
        row->addWidget(fadeFields_[i]);
        row->addWidget(new QLabel(QStringLiteral("ms")));
        row->addWidget(fadeSliders_[i], 3);
        v->addLayout(row);
    }
    CrossfadeDiagram = new QLabel;
    CrossfadeDiagram->setObjectName(QStringLiteral("CrossfadeDiagram"));
    CrossfadeDiagram->setFixedSize(260, 60);
    v->addWidget(CrossfadeDiagram, 0, Qt::AlignHCenter);
    auto* w = new QWidget;
    w->setLayout(v);
    v->addStretch(1);
    return w;
}

// Loudness normalisation by the gain tags of the files; a change applies from the next file loaded.
QWidget* TPlugInForm::buildLoudnessPage() {
    GainMode = new QComboBox;
    GainMode->setObjectName(QStringLiteral("GainMode"));
    GainMode->addItems({QStringLiteral("Off"), QStringLiteral("Track gain"), QStringLiteral("Album gain"),
                        QStringLiteral("Album gain when the list plays an album in order")});
    connect(GainMode, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!filling_ && i >= 0)
            settings().GainMode = i;
    });
    // The settings keep tenths of a dB.
    const auto decibels = [this](const QString& name, int32_t Settings::*setting) {
        auto* box = new QDoubleSpinBox;
        box->setObjectName(name);
        box->setRange(-20.0, 20.0);
        box->setDecimals(1);
        box->setSingleStep(0.5);
        box->setSuffix(QStringLiteral(" dB"));
        connect(box, &QDoubleSpinBox::valueChanged, this, [this, setting](double v) {
            if (!filling_)
                settings().*setting = static_cast<int32_t>(std::lround(v * 10));
        });
        return box;
    };
    GainPreamp = decibels(QStringLiteral("GainPreamp"), &Settings::GainPreamp);
    GainUntagged = decibels(QStringLiteral("GainUntagged"), &Settings::GainUntagged);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Normalise by"), GainMode);
    form->addRow(QStringLiteral("Pre-amp for tagged files"), GainPreamp);
    form->addRow(QStringLiteral("Gain for files without tags"), GainUntagged);
    form->addRow(check(QStringLiteral("Prevent clipping (by the peak in the tags)"),
                       QStringLiteral("GainPreventClipping"), &Settings::GainPreventClipping));
    return page({group(QStringLiteral("Loudness"), form)});
}

QWidget* TPlugInForm::buildEncoderPage() {
    // Filled by the encoder plug-in host once it exists.
    auto* list = new QTreeWidget;
    list->setObjectName(QStringLiteral("EncoderList"));
    list->setHeaderLabels({QStringLiteral("Encoder PlugIn"), QStringLiteral("Filetype")});
    list->setRootIsDecorated(false);
    auto* settingsBtn = new QPushButton(QStringLiteral("Settings..."));
    settingsBtn->setEnabled(false);
    encoderPage_ = new QWidget;
    auto* v = new QVBoxLayout(encoderPage_);
    v->addWidget(list, 1);
    v->addWidget(settingsBtn, 0, Qt::AlignRight);
    return encoderPage_;
}

QWidget* TPlugInForm::buildTranscoderPage() {
    DecoderList = new QTreeWidget;
    DecoderList->setObjectName(QStringLiteral("DecoderList"));
    DecoderList->setHeaderLabels({QStringLiteral("Decoder"), QStringLiteral("Filetypes")});
    DecoderList->setRootIsDecorated(false);
    DecoderList->setSelectionMode(QAbstractItemView::NoSelection);
    auto* decoders = new QVBoxLayout;
    decoders->addWidget(DecoderList);
    auto* encoderList = new QTreeWidget;
    encoderList->setHeaderLabels({QStringLiteral("Encoder"), QStringLiteral("Filetype")});
    encoderList->setRootIsDecorated(false);
    auto* encoders = new QVBoxLayout;
    encoders->addWidget(encoderList);

    DecodeOutput = new QComboBox;
    DecodeOutput->setObjectName(QStringLiteral("DecodeOutput"));
    for (const char* text : DecodeChoiceTexts)
        DecodeOutput->addItem(QString::fromUtf8(text));
    connect(DecodeOutput, &QComboBox::activated, this, &TPlugInForm::chooseDecodeOutput);
    auto* search = new QPushButton(QStringLiteral("Search..."));
    connect(search, &QPushButton::clicked, this, &TPlugInForm::searchDecodeOutput);
    auto* outRow = new QHBoxLayout;
    outRow->addWidget(DecodeOutput, 1);
    outRow->addWidget(search);
    DeleteDecoded = check(QStringLiteral("Delete decoded files after transcoding"),
                          QStringLiteral("DeleteDecoded"), nullptr);
    connect(DeleteDecoded, &QCheckBox::toggled, this,
            [](bool on) { decodeOutput().deleteAfterTranscoding = on; });
    auto* out = new QVBoxLayout;
    out->addLayout(outRow);
    out->addWidget(DeleteDecoded);
    return page({group(QStringLiteral("Available decoder..."), decoders),
                 group(QStringLiteral("Available encoder..."), encoders),
                 group(QStringLiteral("Output directory for decoded files..."), out)});
}

QWidget* TPlugInForm::buildAudioCdPage() {
    auto* tabs = new QTabWidget;
    tabs->setObjectName(QStringLiteral("AudioCdPages"));

    CDPlugIn = new QComboBox;
    CDPlugIn->setObjectName(QStringLiteral("CDPlugIn"));
    connect(CDPlugIn, &QComboBox::activated, this, [](int i) { settings().CDPlugIndex = i; });
    auto* plugIn = new QVBoxLayout;
    plugIn->addWidget(CDPlugIn);
    auto* infos = new QVBoxLayout;
    infos->addWidget(check(QStringLiteral("Search in FreeDB (automatically)"), QStringLiteral("CDautoFreeDB"),
                           &Settings::CDautoFreeDB));
    infos->addWidget(check(QStringLiteral("Always choose the first found CD (automatically)"),
                           QStringLiteral("CDautofirst"), &Settings::CDautofirst));
    DiscImages = new QListWidget;
    DiscImages->setObjectName(QStringLiteral("DiscImages"));
    auto* addImage = new QPushButton(QStringLiteral("Add image..."));
    addImage->setObjectName(QStringLiteral("AddDiscImage"));
    connect(addImage, &QPushButton::clicked, this, &TPlugInForm::addDiscImage);
    auto* removeImage = new QPushButton(QStringLiteral("Remove"));
    removeImage->setObjectName(QStringLiteral("RemoveDiscImage"));
    connect(removeImage, &QPushButton::clicked, this, [this] {
        delete DiscImages->currentItem();
        storeDiscImages();
    });
    auto* imageButtons = new QHBoxLayout;
    imageButtons->addWidget(addImage);
    imageButtons->addWidget(removeImage);
    imageButtons->addStretch();
    auto* images = new QVBoxLayout;
    images->addWidget(DiscImages);
    images->addLayout(imageButtons);
    tabs->addTab(page({group(QStringLiteral("Choose a decoder plugin for CD-Playing"), plugIn),
                       group(QStringLiteral("Audio CD informations"), infos),
                       group(QStringLiteral("Disc images used as CD drives (.cue)"), images)}),
                 QStringLiteral("CD Playing"));

    SpeedIdx = new QComboBox;
    SpeedIdx->setObjectName(QStringLiteral("SpeedIdx"));
    SpeedIdx->addItems({"32", "16", "8", "4", "2", "1"});
    connect(SpeedIdx, &QComboBox::activated, this, [](int i) { settings().SpeedIdx = uint8_t(i); });
    auto* speed = new QVBoxLayout;
    speed->addWidget(SpeedIdx);
    speed->addWidget(check(QStringLiteral("Jitter Correction (much slower)"), QStringLiteral("Jitter"),
                           &Settings::Jitter));

    const char* formats[3] = {"Wave (PCM)", "Internal Mp3 Lame Encoder (on the fly)",
                              "External Encoder PlugIn"};
    auto* format = new QVBoxLayout;
    for (int i = 0; i < 3; ++i) {
        outputFormats_[i] = new QRadioButton(QString::fromUtf8(formats[i]));
        outputFormats_[i]->setObjectName(QStringLiteral("OutputFormat%1").arg(i));
        connect(outputFormats_[i], &QRadioButton::clicked, this,
                [i] { SetOutputFormat(settings(), OutputFormat(i)); });
        format->addWidget(outputFormats_[i]);
    }
    EncoderChoice = new QComboBox;
    EncoderChoice->setObjectName(QStringLiteral("EncoderChoice"));
    connect(EncoderChoice, &QComboBox::activated, this, [](int i) { settings().EncIdx = uint8_t(i); });
    auto* encoderSettings = new QPushButton(QStringLiteral("Encoder settings..."));
    encoderSettings->setEnabled(false); // the encoders arrive with their own windows
    auto* encRow = new QHBoxLayout;
    encRow->addWidget(EncoderChoice, 1);
    encRow->addWidget(encoderSettings);
    format->addLayout(encRow);
    auto* tags = new QHBoxLayout;
    tags->addWidget(check(QStringLiteral("Id3v1"), QStringLiteral("WriteId3v1"), &Settings::WriteId3v1));
    tags->addWidget(check(QStringLiteral("Id3v2"), QStringLiteral("WriteId3v2"), &Settings::WriteId3v2));
    tabs->addTab(
        page({group(QStringLiteral("Ripping speed"), speed), group(QStringLiteral("Output format"), format),
              check(QStringLiteral("Swap channel"), QStringLiteral("SwapChannel"), &Settings::SwapChannel),
              group(QStringLiteral("Write following mp3 tags"), tags)}),
        QStringLiteral("CD Ripping"));

    CDDBServer = new QComboBox;
    CDDBServer->setObjectName(QStringLiteral("CDDBServer"));
    CDDBServer->setEditable(true);
    for (const char* server : CddbServers)
        CDDBServer->addItem(QString::fromLatin1(server));
    connect(CDDBServer, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        if (!filling_)
            settings().CDDBServer = t.trimmed().toStdString();
    });
    CDDBPort = new QLineEdit;
    CDDBPort->setObjectName(QStringLiteral("CDDBPort"));
    connect(CDDBPort, &QLineEdit::textEdited, this,
            [](const QString& t) { settings().CDDBPort = t.trimmed().toStdString(); });
    auto* server = new QFormLayout;
    server->addRow(QStringLiteral("Server"), CDDBServer);
    server->addRow(QStringLiteral("Port"), CDDBPort);
    tabs->addTab(page({group(QStringLiteral("FreeDB"), server)}), QStringLiteral("FreeDB"));
    return tabs;
}

QWidget* TPlugInForm::buildSkinsPage() {
    // The download line needs the maker's address; a build without one leaves it out.
    auto* download = new QHBoxLayout;
    if (*MakerWebAddress() != '\0') {
        download->addWidget(new QLabel(QStringLiteral("Download skins at:")));
        download->addWidget(link(QString::fromLatin1(MakerWebAddress()) + QStringLiteral("/skins")), 1);
    }
    ActualSkin = new QLabel(QStringLiteral("[none]"));
    ActualSkin->setObjectName(QStringLiteral("ActualSkin"));
    auto* actual = new QHBoxLayout;
    actual->addWidget(new QLabel(QStringLiteral("Actual skin:")));
    actual->addWidget(ActualSkin, 1);
    SkinList = new QListWidget;
    SkinList->setObjectName(QStringLiteral("SkinList"));
    ActivateSkinBtn = new QPushButton(QStringLiteral("Activate selected Skin"));
    ActivateSkinBtn->setObjectName(QStringLiteral("ActivateSkin"));
    ActivateSkinBtn->setEnabled(false);
    connect(SkinList, &QListWidget::currentTextChanged, this, [this](const QString& name) {
        selectedSkin_ = name;
        ActivateSkinBtn->setEnabled(!name.isEmpty());
    });
    connect(ActivateSkinBtn, &QPushButton::clicked, this, [this] { ActivateSkin(selectedSkin_); });
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    v->addLayout(download);
    v->addLayout(actual);
    v->addWidget(SkinList, 1);
    v->addWidget(ActivateSkinBtn, 0, Qt::AlignRight);
    return w;
}

QWidget* TPlugInForm::buildLanguagePage() {
    // "Activate language" keeps the choice and installs the translation; windows built already keep
    // their texts until the next start. "New..." and "Edit language..." do nothing.
    const QString current = ChosenLanguage(programFolder());
    auto* actual = new QHBoxLayout;
    actual->addWidget(new QLabel(tr("Actual language:")));
    auto* actualName = new QLabel;
    actualName->setObjectName(QStringLiteral("ActualLanguage"));
    actual->addWidget(actualName, 1);
    auto* languages = new QComboBox;
    languages->setObjectName(QStringLiteral("LanguageList"));
    for (const LanguageChoice& language : Languages) {
        languages->addItem(QString::fromUtf8(language.name), QString::fromLatin1(language.code));
        if (current == QLatin1String(language.code)) {
            languages->setCurrentIndex(languages->count() - 1);
            actualName->setText(QString::fromUtf8(language.name));
        }
    }
    auto* buttons = new QHBoxLayout;
    auto* activate = new QPushButton(tr("Activate language"));
    activate->setObjectName(QStringLiteral("ActivateLanguage"));
    buttons->addWidget(activate);
    buttons->addWidget(new QPushButton(tr("New...")));
    buttons->addWidget(new QPushButton(tr("Edit language...")));
    connect(activate, &QPushButton::clicked, this, [this, languages, actualName] {
        const QString code = languages->currentData().toString();
        try {
            StoreLanguage(programFolder(), code);
        } catch (const EProfileWriteError& e) {
            QMessageBox::critical(this, QStringLiteral("Larkspin 3.0"), TranslatedWriteError(e.what()));
            return;
        }
        InstallLanguage(code);
        actualName->setText(languages->currentText());
        QMessageBox::information(this, QStringLiteral("Larkspin 3.0"),
                                 tr("The language changes when Larkspin starts again."));
    });
    auto* w = new QWidget;
    auto* v = new QVBoxLayout(w);
    v->addLayout(actual);
    v->addWidget(languages);
    v->addLayout(buttons);
    v->addStretch(1);
    return w;
}

} // namespace larkspin
