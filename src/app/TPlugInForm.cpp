#include "TPlugInForm.h"

#include "AppLog.h"
#include "Language.h"
#include "PlugInHost.h"
#include "PrivateProfile.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SkinEngine.h"
#include "SkinFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace larkspin {
namespace {

// The fields of the three fades: stop, play, cross.
int32_t Settings::*const FadeTimes[3] = {&Settings::StopTime, &Settings::PlayTime, &Settings::CrossTime};
constexpr int CrossFade = 2;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TPlugInForm::TPlugInForm(TPlugInHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    setWindowTitle(QStringLiteral("Settings..."));
    setObjectName(QStringLiteral("PlugInForm"));
    setMinimumWidth(640);
    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("Pages"));
    pages_->addTab(buildMainPage(), tr("Main"));
    pages_->addTab(buildPlaylistPage(), tr("Playlist"));
    pages_->addTab(buildLibraryPage(), tr("Library"));
    pages_->addTab(buildPlugInsPage(), tr("PlugIns"));
    pages_->addTab(buildAudioCdPage(), tr("Audio CD"));
    pages_->addTab(buildSkinsPage(), tr("Skins"));
    pages_->addTab(buildLanguagePage(), tr("Language"));

    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("Cancelbtn"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &TPlugInForm::CancelbtnClick);
    // There are no defaults to go back to yet.
    auto* defaults = new QPushButton(QStringLiteral("Load defaults"));
    defaults->setObjectName(QStringLiteral("LoadDefaults"));
    defaults->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* v = new QVBoxLayout(this);
    v->addWidget(pages_, 1);
    v->addLayout(buttons);

    host_.ActualPlugInChanged = [this](const std::string& name) { ActualPlugIn->setText(qs(name)); };
    skinEngine().follow(this);
    fillDecoderList();
    FillSettingsControls();
    drawCrossfadeDiagram();
}

TPlugInForm::~TPlugInForm() {
    host_.ActualPlugInChanged = nullptr;
}

void TPlugInForm::setSkinFolders(std::vector<std::string> folders, std::string ownSkins) {
    skinFolders_ = std::move(folders);
    ownSkins_ = std::move(ownSkins);
    ListSkins();
}

void TPlugInForm::setEncoders(QWidget* panel, const std::vector<std::string>& ripChoices) {
    if (panel) {
        QLayout* layout = encoderPage_->layout();
        while (QLayoutItem* item = layout->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        layout->addWidget(panel);
    }
    EncoderChoice->clear();
    for (const std::string& choice : ripChoices)
        EncoderChoice->addItem(qs(choice));
    FillSettingsControls();
}

void TPlugInForm::ShowSettings(bool encodingOrRipping) {
    if (encodingOrRipping) {
        QMessageBox::information(parentWidget(), QStringLiteral("Larkspin 3.0"),
                                 tr("Settings are not available while encoding or ripping!"));
        return;
    }
    pages_->setCurrentIndex(0);
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void TPlugInForm::showEvent(QShowEvent* event) {
    FillSettingsControls();
    if (hooks_.StoreColumnWidths)
        hooks_.StoreColumnWidths();
    QDialog::showEvent(event);
}

void TPlugInForm::FillSettingsControls() {
    const Settings& s = settings();
    filling_ = true;
    for (auto& [box, setting] : checks_)
        box->setChecked(s.*setting);
    TempEdit->setText(qs(s.Temp));
    RememberPlaylist->setChecked(s.RememberPlaylist);
    SelectedPlaylist->setChecked(s.SelectedPlaylist);
    if (s.SelectedPlaylist)
        SelPlaylistEdit->setText(qs(s.SelPlaylistName));
    SelPlaylistEdit->setEnabled(s.SelectedPlaylist);
    SelPlaylistSearch->setEnabled(s.SelectedPlaylist);
    PlayFontSize->setValue(s.PlayFontSize);
    const ColumnLists lists = ColumnListsOf(s);
    for (int k = 0; k < 10; ++k)
        No[k]->setCurrentIndex(lists[k]);
    IconIndex->setCurrentIndex(s.IconIndex);
    ActivateOrganizer->setChecked(s.ActivateOrganizer);
    ActivateRating->setEnabled(s.ActivateOrganizer);
    ActivateAdd->setEnabled(s.ActivateOrganizer);
    OrgFontSize->setValue(s.OrgFontSize);
    for (int i = 0; i < 3; ++i) {
        fadeFields_[i]->setText(QString::number(s.*FadeTimes[i]));
        const QSignalBlocker block(fadeSliders_[i]);
        fadeSliders_[i]->setValue(FadeSliderOf(s.*FadeTimes[i]));
    }
    GainMode->setCurrentIndex(s.GainMode);
    GainPreamp->setValue(s.GainPreamp / 10.0);
    GainUntagged->setValue(s.GainUntagged / 10.0);
    CDPlugIn->clear();
    for (const std::string& name : host_.CdPlugIns())
        CDPlugIn->addItem(qs(name));
    CDPlugIn->setCurrentIndex(s.CDPlugIndex < CDPlugIn->count() ? s.CDPlugIndex : -1);
    DiscImages->clear();
    for (const QString& image : qs(s.VirtualDrives).split(';', Qt::SkipEmptyParts))
        if (!image.trimmed().isEmpty())
            DiscImages->addItem(image.trimmed());
    SpeedIdx->setCurrentIndex(std::min<int>(s.SpeedIdx, SpeedIdx->count() - 1));
    outputFormats_[int(OutputFormatOf(s))]->setChecked(true);
    EncoderChoice->setCurrentIndex(s.EncIdx < EncoderChoice->count() ? s.EncIdx : -1);
    CDDBServer->setCurrentText(qs(s.CDDBServer));
    CDDBPort->setText(qs(s.CDDBPort));
    DeleteDecoded->setChecked(decodeOutput().deleteAfterTranscoding);
    ActualSkin->setText(qs(s.SkinName));
    filling_ = false;
    drawCrossfadeDiagram();
}

void TPlugInForm::fillDecoderList() {
    filling_ = true;
    ListInput->clear();
    for (const PlugInRow& row : host_.PlugInTable()) {
        auto* item = new QTreeWidgetItem(ListInput, {qs(row.name), qs(row.fileTypes)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, row.enabled ? Qt::Checked : Qt::Unchecked);
    }
    DecoderList->clear();
    for (const DecodingPlugIn& d : host_.DecodingPlugIns())
        new QTreeWidgetItem(DecoderList, {qs(d.name), qs(d.fileTypes)});
    if (!host_.PlaybackPlugInName().empty())
        ActualPlugIn->setText(qs(host_.PlaybackPlugInName()));
    // Names are never cut; long type lists say all of themselves in a tip.
    for (QTreeWidget* list : {ListInput, DecoderList}) {
        list->resizeColumnToContents(0);
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            list->topLevelItem(i)->setToolTip(1, list->topLevelItem(i)->text(1));
    }
    filling_ = false;
}

void TPlugInForm::ListInputClick() {
    std::vector<PlugInRow>& table = host_.PlugInTable();
    for (int i = 0; i < ListInput->topLevelItemCount() && i < int(table.size()); ++i)
        table[i].enabled = ListInput->topLevelItem(i)->checkState(0) == Qt::Checked;
    settings().PlugCheck = host_.PlugCheck();
}

void TPlugInForm::ColumnChange(int list, int position) {
    ColumnLists lists;
    for (int k = 0; k < 10; ++k)
        lists[k] = No[k]->currentIndex();
    ChangeColumn(lists, list, position, settings());
    for (int k = 0; k < 10; ++k)
        No[k]->setCurrentIndex(lists[k]);
    columnsChanged_ = true;
}

void TPlugInForm::done(int result) {
    // However the window closes (Close, Escape, the frame), the other windows follow its changes.
    QDialog::done(result);
    if (columnsChanged_) {
        if (hooks_.PlaylistCount && hooks_.PlaylistCount() > 0 && hooks_.SelectPlaylistRow)
            hooks_.SelectPlaylistRow(0);
        if (hooks_.RebuildPlaylistView)
            hooks_.RebuildPlaylistView();
    }
    columnsChanged_ = false;
    if (hooks_.ApplyFontSizes)
        hooks_.ApplyFontSizes(settings().PlayFontSize, settings().OrgFontSize);
}

void TPlugInForm::CancelbtnClick() {
    done(QDialog::Accepted);
}

void TPlugInForm::fadeFieldEdited(int which, const QString& text) {
    // Anything but a whole number leaves the setting as it was; the field shows it red until it is one.
    const std::optional<int32_t> ms = ParseFadeTime(text.trimmed().toStdString());
    fadeFields_[which]->setStyleSheet(ms ? QString() : QStringLiteral("color: #d03030"));
    if (!ms)
        return;
    settings().*FadeTimes[which] = *ms;
    // The crossfade's slider and diagram follow the slider only: a time typed digit by digit would
    // otherwise jump the slider and redraw the diagram at every key.
    if (which == CrossFade)
        return;
    const QSignalBlocker block(fadeSliders_[which]);
    fadeSliders_[which]->setValue(FadeSliderOf(*ms));
}

void TPlugInForm::fadeSliderMoved(int which, int position) {
    if (filling_)
        return;
    const int32_t ms = FadeTimeOfSlider(position);
    fadeFields_[which]->setText(QString::number(ms));
    fadeFields_[which]->setStyleSheet(QString());
    settings().*FadeTimes[which] = ms;
    if (which == CrossFade)
        drawCrossfadeDiagram();
}

QImage TPlugInForm::crossfadePicture() const {
    const larkspin::CrossfadeDiagram d =
        CrossfadeDiagramFor(CrossfadeDiagram->width(), CrossfadeDiagram->height(), settings().CrossTime);
    QImage img(d.width, d.height, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 128));
    QPainter p(&img);
    p.setPen(QPen(Qt::white, 1));
    for (int x = 0; x < d.width; x += DiagramGridStep)
        p.drawLine(x, 0, x, d.height);
    for (int y = 0; y < d.height; y += DiagramGridStep)
        p.drawLine(0, y, d.width, y);
    auto polyline = [&p](const std::array<DiagramPoint, 3>& pts, QColor c) {
        p.setPen(QPen(c, DiagramPenWidth));
        for (int i = 0; i + 1 < 3; ++i)
            p.drawLine(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y);
    };
    polyline(d.outgoing, Qt::yellow);
    polyline(d.incoming, Qt::red);
    return img;
}

void TPlugInForm::drawCrossfadeDiagram() {
    CrossfadeDiagram->setPixmap(QPixmap::fromImage(crossfadePicture()));
}

void TPlugInForm::chooseDefaultPath() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Default path"), TempEdit->text());
    if (!folder.isEmpty())
        TempEdit->setText(qs(WithTrailingSlash(folder.toStdString())));
    settings().Temp = TempEdit->text().toStdString();
}

void TPlugInForm::addDiscImage() {
    const QString cue = QFileDialog::getOpenFileName(this, QStringLiteral("Add a disc image"), QString(),
                                                     QStringLiteral("CD images (*.cue)"));
    if (cue.isEmpty() || !DiscImages->findItems(cue, Qt::MatchExactly).isEmpty())
        return;
    if (cue.contains(';')) {
        QMessageBox::warning(this, QStringLiteral("Larkspin 3.0"),
                             QStringLiteral("A disc image whose path holds \";\" cannot be used:\n") + cue);
        return;
    }
    DiscImages->addItem(cue);
    storeDiscImages();
}

// The list is kept as one ";"-separated setting.
void TPlugInForm::storeDiscImages() {
    QStringList images;
    for (int i = 0; i < DiscImages->count(); ++i)
        images << DiscImages->item(i)->text();
    settings().VirtualDrives = images.join(';').toStdString();
}

void TPlugInForm::chooseStartPlaylist() {
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("Always open this playlist:"),
                                     SelPlaylistEdit->text(), QStringLiteral("Larkspin playlist (*.te3)"));
    if (file.isEmpty())
        return;
    SelPlaylistEdit->setText(file);
    settings().SelPlaylistName = file.toStdString();
}

void TPlugInForm::libraryOptionToggled(bool on) {
    ActivateRating->setEnabled(on);
    ActivateAdd->setEnabled(on);
    if (!filling_)
        settings().ActivateOrganizer = on;
}

void TPlugInForm::libraryOptionReleased() {
    if (settings().ActivateOrganizer) {
        const std::string file = programFolder() + LibraryFile;
        const bool available =
            hooks_.FileAvailable ? hooks_.FileAvailable(file) : QFileInfo(qs(file)).isFile();
        if (available && hooks_.LoadLibrary)
            hooks_.LoadLibrary();
    } else if (hooks_.EmptyLibrary) {
        hooks_.EmptyLibrary();
    }
}

void TPlugInForm::chooseDecodeOutput(int position) {
    const QString text = DecodeOutput->itemText(position);
    ChooseDecodeOutput(decodeOutput(), position, text.toStdString(), QFileInfo(text).isDir());
    // A choice that cannot be used falls back to the source folder.
    DecodeOutput->setCurrentIndex(int(decodeOutput().target));
}

void TPlugInForm::searchDecodeOutput() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Output directory for decoded files..."));
    if (folder.isEmpty())
        return;
    DecodeOutput->setItemText(2, qs(WithTrailingSlash(folder.toStdString())));
    DecodeOutput->setCurrentIndex(2);
    chooseDecodeOutput(2);
}

void TPlugInForm::ListSkins() {
    SkinList->clear();
    for (const std::string& name : SkinNames(skinFolders_))
        SkinList->addItem(qs(name));
    selectedSkin_.clear();
    ActivateSkinBtn->setEnabled(false);
}

void TPlugInForm::ActivateSkin(const QString& name) {
    if (name.isEmpty())
        return;
    Settings& s = settings();
    s.SkinName = name.toStdString();
    ActualSkin->setText(name);
    // The windows keep their sizes: the engine changes how they are drawn, never how large they are.
    skinEngine().load(qs(SkinIniPath(skinFolders_, s.SkinName)));
    if (hooks_.WriteSettings) {
        try {
            hooks_.WriteSettings();
        } catch (const EProfileWriteError& e) {
            QMessageBox::critical(this, QStringLiteral("Larkspin 3.0"), TranslatedWriteError(e.what()));
            return;
        }
    }
    if (!CopySkinLogo(skinFolders_, ownSkins_, s.SkinName))
        qCWarning(lcApp) << "the logo of skin" << name << "could not be copied to" << qs(ownSkins_);
    if (hooks_.ShowLogo)
        hooks_.ShowLogo(qs(ownSkins_ + "/" + ActiveLogoName));
}

} // namespace larkspin
