#pragma once

#include "SettingsRules.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QDoubleSpinBox;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace larkspin {

class TPlugInHost;

// What the settings window does in the other windows and the program; the running program fills these
// in, a test records them. Any left empty does nothing.
struct SettingsWindowHooks {
    std::function<void()> RebuildPlaylistView; // the playlist's columns changed
    std::function<int()> PlaylistCount;        // entries in the playlist
    std::function<void(int)>
        SelectPlaylistRow;                   // select (and, when nothing plays, prepare) a row; scroll to it
    std::function<void()> StoreColumnWidths; // the playlist keeps its column widths (on showing)
    std::function<void(int playlistSize, int librarySize)> ApplyFontSizes;
    std::function<void()> LoadLibrary;            // read ProgramFolder + "/Organizer/Archive.rol"
    std::function<void()> EmptyLibrary;           // the library option was switched off
    std::function<void()> WriteSettings;          // may throw EProfileWriteError
    std::function<void(const QString&)> ShowLogo; // the active logo changed: show it where a cover is missing
    std::function<bool(const std::string&)> FileAvailable; // the library file can be read
};

// The settings window ("Settings..."): every user setting as a control, each change written into the
// settings at once; there is no Apply or Cancel. Made once at start, opened modally from the player.
// It also shows the decoder plug-ins of the running program's host and switches them on and off.
class TPlugInForm : public QDialog {
    Q_OBJECT
public:
    explicit TPlugInForm(TPlugInHost& host, QWidget* parent = nullptr);
    ~TPlugInForm() override;

    TPlugInHost& plugInHost() { return host_; }

    void setHooks(SettingsWindowHooks hooks) { hooks_ = std::move(hooks); }
    // Where skins are looked for: ownSkins is ProgramFolder + "/Skins" (it receives the active logo); an
    // installed program adds its shared Skins folder after it.
    void setSkinFolders(std::vector<std::string> folders, std::string ownSkins);
    const std::vector<std::string>& skinFolders() const { return skinFolders_; }

    // The encoder plug-ins once the program has them: panel takes the place of the "Encoder" sub-page's
    // empty list, and ripChoices (each "code - name") fill the rip encoder list (EncIdx).
    void setEncoders(QWidget* panel, const std::vector<std::string>& ripChoices);

    // Opens the window modally, centred on the screen, on its first page; refused with a message while
    // a rip or an encoding job runs. Returns when the window is closed.
    void ShowSettings(bool encodingOrRipping);

    // Sets every control from its setting.
    void FillSettingsControls();
    // Lists the skins below the skin folders, sorted by name.
    void ListSkins();
    // Activates the named skin: the engine loads it, SkinName is saved, the logo becomes the active one.
    void ActivateSkin(const QString& name);

    bool columnsChanged() const { return columnsChanged_; }
    // The crossfade diagram as it is drawn now.
    QImage crossfadePicture() const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    QWidget* buildMainPage();
    QWidget* buildPlaylistPage();
    QWidget* buildLibraryPage();
    QWidget* buildPlugInsPage();
    QWidget* buildDecoderPage();
    QWidget* buildSoundPage();
    QWidget* buildLoudnessPage();
    QWidget* buildEncoderPage();
    QWidget* buildTranscoderPage();
    QWidget* buildAudioCdPage();
    QWidget* buildSkinsPage();
    QWidget* buildLanguagePage();
    QCheckBox* check(const QString& text, const QString& name, bool Settings::*setting);

    // The whole window follows its settings again (after one option switched another).
    void CancelbtnClick();
    void ColumnChange(int list, int position);
    void fillDecoderList();
    void ListInputClick();
    void fadeFieldEdited(int which, const QString& text);
    void fadeSliderMoved(int which, int position);
    void drawCrossfadeDiagram();
    void chooseDefaultPath();
    void chooseStartPlaylist();
    void libraryOptionToggled(bool on);
    void libraryOptionReleased();
    void chooseDecodeOutput(int position);
    void searchDecodeOutput();
    void addDiscImage();
    void storeDiscImages();

    TPlugInHost& host_;
    SettingsWindowHooks hooks_;
    std::vector<std::string> skinFolders_;
    std::string ownSkins_;
    bool filling_ = false;
    bool columnsChanged_ = false;
    QString selectedSkin_;

    QTabWidget* pages_ = nullptr;
    QLineEdit* TempEdit = nullptr;
    QCheckBox* RememberPlaylist = nullptr;
    QCheckBox* SelectedPlaylist = nullptr;
    QLineEdit* SelPlaylistEdit = nullptr;
    QPushButton* SelPlaylistSearch = nullptr;
    QSpinBox* PlayFontSize = nullptr;
    std::array<QComboBox*, 10> No{};
    QComboBox* IconIndex = nullptr;
    QCheckBox* ActivateOrganizer = nullptr;
    QCheckBox* ActivateRating = nullptr;
    QCheckBox* ActivateAdd = nullptr;
    QSpinBox* OrgFontSize = nullptr;
    QLabel* ActualPlugIn = nullptr;
    QTreeWidget* ListInput = nullptr;
    // Stop fade, play fade, crossfade.
    std::array<QCheckBox*, 3> fadeChecks_{};
    std::array<QLineEdit*, 3> fadeFields_{};
    std::array<QSlider*, 3> fadeSliders_{};
    QLabel* CrossfadeDiagram = nullptr;
    QComboBox* GainMode = nullptr;
    QDoubleSpinBox* GainPreamp = nullptr;
    QDoubleSpinBox* GainUntagged = nullptr;
    QTreeWidget* DecoderList = nullptr;
    QComboBox* DecodeOutput = nullptr;
    QCheckBox* DeleteDecoded = nullptr;
    QComboBox* CDPlugIn = nullptr;
    QListWidget* DiscImages = nullptr; // disc images offered as CD drives after the real ones
    QComboBox* SpeedIdx = nullptr;
    std::array<QRadioButton*, 3> outputFormats_{};
    QComboBox* EncoderChoice = nullptr;
    QWidget* encoderPage_ = nullptr;
    QComboBox* CDDBServer = nullptr;
    QLineEdit* CDDBPort = nullptr;
    QLabel* ActualSkin = nullptr;
    QListWidget* SkinList = nullptr;
    QPushButton* ActivateSkinBtn = nullptr;
    std::vector<std::pair<QCheckBox*, bool Settings::*>> checks_;
};

} // namespace larkspin
