#pragma once

#include "FileInfoFields.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TMPEGaudio.h"
#include "TOggVorbis.h"
#include "TWAVfile.h"

#include <QDialog>
#include <QList>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

namespace larkspin {

class TCoverImage;
struct Settings;

// "File informations...": what the readers know about one audio file, and the editor of an MP3 file's
// ID3v1 and ID3v2 tags. The readers and their logic live in FileInfoFields; this window shows them.
class TFileInfoForm : public QDialog {
    Q_OBJECT
public:
    // One row of the optional file list: the text shown ("Artist - Title") and the file's path.
    struct ListRow {
        QString file;
        QString path;
    };

    // programFolder: where the cover picture is written ("temp.jpg"). settings: Id3v1autosave, ShowList.
    TFileInfoForm(Settings& settings, const QString& programFolder, QWidget* parent = nullptr);

    // Where "Get playlist" takes its rows from.
    void setPlaylistSource(std::function<QList<ListRow>()> source) { playlistSource_ = std::move(source); }

    // Shows path: LoadFileInfo, then "Autosave" from the settings, then the file list when ShowList is on.
    void Open(const QString& path);

    QString fileName() const { return path_; }
    // The type the window decided on ("MP3", "OGG", "WAV"; empty for any other).
    QString fileType() const { return type_; }
    // True once a save has written a file (the playlist then re-reads its entries).
    bool tagsSaved() const { return saved_; }
    // The message of the last failed save; empty after a successful one.
    QString lastError() const { return lastError_; }

    // The window's commands.
    void LoadFileInfo();
    void Button4Click(); // "Reload Tag"
    bool Button1Click(); // "Save Tag"; false when the file could not be written
    void CloseClick();   // "Close window"
    void ShowListClick();
    void GetPlaylistClick();

    // The title page's fields as they are now.
    TagFields fields() const;
    void setFields(const TagFields& fields);
    FileProperties properties() const;

signals:
    // A save failed; message says why (also shown in a message box unless the window is hidden).
    void saveFailed(const QString& message);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTitlePage(QWidget* page);
    void buildFilePage(QWidget* page);
    void setProperties(const FileProperties& p);
    void autoSave();
    void fileChosen();

    Settings& settings_;
    QString programFolder_;
    std::function<QList<ListRow>()> playlistSource_;
    QString path_;
    QString type_;
    bool filling_ = false;
    bool saved_ = false;
    bool closing_ = false;
    QString lastError_;

    TWAVfile wav_;
    TOggVorbis ogg_;
    TID3v1 id3v1_;
    TID3v2 id3v2_;
    TMPEGaudio mpeg_;

    // Controls, named as the window's components.
    QTabWidget* Pages = nullptr;
    QSpinBox* spinEdit5 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    TCoverImage* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QCheckBox* vau1 = nullptr;
    QCheckBox* vau2 = nullptr;
    QCheckBox* CheckBox13 = nullptr;
    QPushButton* SaveTagBtn = nullptr;
    QPushButton* ReloadTagBtn = nullptr;
    QLabel* TypeIcon = nullptr;
    QPushButton* CloseBtn = nullptr;
    QPushButton* ShowListBtn = nullptr;
    QPushButton* GetPlaylistBtn = nullptr;
    QGroupBox* ListGroup = nullptr;
    QTreeWidget* ScrollBox1 = nullptr;
    QLineEdit* FileTypeInfo = nullptr;
    QLineEdit* FileSizeInfo = nullptr;
    QLineEdit* DurationInfo = nullptr;
    QLineEdit* SampleRateInfo = nullptr;
    QLineEdit* ChannelModeInfo = nullptr;
    QLineEdit* BitrateInfo = nullptr;
    QLineEdit* EncoderInfo = nullptr;
    QLineEdit* FramesInfo = nullptr;
    QLineEdit* FirstFrameInfo = nullptr;
    QLineEdit* EmphasisInfo = nullptr;
    QLineEdit* CrcInfo = nullptr;
    QLineEdit* CopyrightInfo = nullptr;
    QLineEdit* OriginalInfo = nullptr;
};

} // namespace larkspin
