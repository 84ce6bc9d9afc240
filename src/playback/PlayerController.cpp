#include "PlayerController.h"

#include "LoudnessGain.h"

#include "CoverPicture.h"

#include "Settings.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
Q_LOGGING_CATEGORY(lcPlayback, "larkspin.playback", QtWarningMsg)
}

namespace larkspin {

// Emits displayChanged once, when the outermost public operation returns.
class PlayerController::Notify {
public:
    explicit Notify(PlayerController& c) : c_(c) { ++c_.notifyDepth_; }
    ~Notify() {
        if (--c_.notifyDepth_ == 0)
            emit c_.displayChanged();
    }
    Notify(const Notify&) = delete;
    Notify& operator=(const Notify&) = delete;

private:
    PlayerController& c_;
};

namespace {

const QString NoTitle = QStringLiteral("no title selected...");
const QString FileMissing = QStringLiteral("Error! This file does not exist!");
const QString NoPlugIn = QStringLiteral("Error! No PlugIn for this file!");
const QString CdUnreadable = QStringLiteral("Error! This CD track cannot be read!");

// The file name without folder and extension.
QString BareName(const std::string& path) {
    QString name = QString::fromStdString(path);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 ? name.left(dot) : name;
}

// How long a message about a file that could not be played stays while the list plays on: 5 s.
constexpr int NoticeTicks = 50;

// What the file itself shows is wrong with it: gone, empty or unreadable (with errno's text); Fine
// when only the plug-in can tell.
struct FileProblem {
    enum Kind { Fine, Gone, Empty, Unreadable } kind = Fine;
    std::string error;
};

FileProblem LookAtFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {FileProblem::Gone, std::strerror(errno)};
    if (S_ISREG(st.st_mode) && st.st_size == 0)
        return {FileProblem::Empty, {}};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {FileProblem::Unreadable, std::strerror(errno)};
    ::close(fd);
    return {};
}

QString FieldOrDashes(const std::string& field) {
    return field.empty() ? QStringLiteral("---") : QString::fromStdString(field);
}

} // namespace

PlayerController::PlayerController(Settings& settings, PlayerPlugIns& plugIns, PlayerFileServices files,
                                   std::string programFolder, QObject* parent)
    : QObject(parent), settings_(settings), plugIns_(plugIns), files_(std::move(files)),
      folder_(std::move(programFolder)) {
    if (!files_.FileAvailable)
        files_.FileAvailable = LocalFileAvailable;
    display_.DisplayInfo = TitleBlanks() + NoTitle;
    display_.ShuffleVisible = settings_.ShufflePlay;
    ShowRepeatLabel();
}

int PlayerController::EntryCount() const {
    return list_ ? list_->Count() : 0;
}

std::string PlayerController::EntryPath(int index) const {
    if (!list_ || index < 0 || index >= list_->Count())
        return {};
    return list_->EntryAt(index).Path;
}

void PlayerController::SetDisplayTimer(bool on) {
    if (displayTimer_ == on)
        return;
    displayTimer_ = on;
    emit displayTimerEnabledChanged(on);
}

void PlayerController::StartTimerLinear() {
    timerLinear_ = true;
    emit timerLinearStarted();
}

void PlayerController::ShowTitle(const std::string& path) {
    QString title = BareName(path);
    display_.DisplayInfo = title.size() > TitleCells ? TitleBlanks() + title : title;
}

void PlayerController::ShowRepeatLabel() {
    display_.RepeatLabel = settings_.RepeatAll   ? QStringLiteral("repeat")
                           : settings_.RepeatOne ? QStringLiteral("repeat1")
                                                 : QString();
}

void PlayerController::LoadMarks(const std::string& indexPath) {
    IndexMarks = ReadIndexFile(indexPath);
    // A file without one complete mark shows no marks at all.
    MarksLoaded = !IndexMarks.empty();
}

bool PlayerController::PrepareTrack(const std::string& path) {
    Notify n(*this);
    display_.Title = display_.Artist = display_.Album = display_.Year = QStringLiteral("---");
    const bool fromLibrary = PlayFromLibrary;
    PlayFromLibrary = false;

    if (!files_.FileAvailable(path)) {
        qCWarning(lcPlayback, "cannot play %s: it does not exist or cannot be reached", path.c_str());
        display_.DisplayInfo = FileMissing;
        return false;
    }

    currentFile_ = path;
    display_.CoverVisible = false;
    const std::string cover = folder_ + "/temp.jpg";
    const std::string logo = folder_ + "/Skins/_logo.jpg";
    if (ReadsCover(path) && files_.ExtractCover && files_.ExtractCover(path, folder_) &&
        QFileInfo::exists(QString::fromStdString(cover)))
        display_.CoverPath = QString::fromStdString(cover);
    else
        display_.CoverPath = QString::fromStdString(logo);
    display_.CoverVisible = true;
    ++display_.CoverVersion;

    std::optional<int> row = plugIns_.ChoosePlugIn(path);
    if (!row) {
        qCWarning(lcPlayback, "cannot play %s: no enabled plug-in plays its type", path.c_str());
        display_.DisplayInfo = NoPlugIn;
        display_.CoverPath = QString::fromStdString(logo);
        return false;
    }
    plugIns_.SwitchPlugIn(*row, Playing);
    plugIns_.LoadFile(path);
    ApplyFileGain(path, fromLibrary);

    if (!notice_.isEmpty())
        display_.DisplayInfo = notice_;
    else
        ShowTitle(path);

    const std::string indexPath = IndexFilePath(path);
    if (files_.FileAvailable(indexPath)) {
        LoadMarks(indexPath);
        CurrentMark = 1;
    } else {
        IndexMarks.clear();
        MarksLoaded = false;
    }

    if (files_.AddPlayedFile)
        files_.AddPlayedFile(path);

    SetVolumeSlider(settings_.PlayVolume);

    PlayerEntryList::Entry info;
    if (fromLibrary)
        info = libraryEntry_;
    else if (list_ && Current() >= 0 && Current() < list_->Count())
        info = list_->EntryAt(Current());
    display_.Album = FieldOrDashes(info.Album);
    display_.Year = FieldOrDashes(info.Year);
    display_.Artist = FieldOrDashes(info.Artist);
    display_.Title = FieldOrDashes(info.Title);
    return true;
}

bool PlayerController::AlbumPlaysInOrder(bool fromLibrary) const {
    if (fromLibrary || !list_ || settings_.ShufflePlay)
        return false;
    const int index = Current();
    const int count = list_->Count();
    if (index < 0 || index >= count)
        return false;
    const std::string album = list_->EntryAt(index).Album;
    if (album.empty())
        return false;
    return (index > 0 && list_->EntryAt(index - 1).Album == album) ||
           (index + 1 < count && list_->EntryAt(index + 1).Album == album);
}

// Every LoadFile starts the plug-in at 0 dB, so only another gain is sent.
void PlayerController::ApplyFileGain(const std::string& path, bool fromLibrary) {
    const GainChoice choice = GainChoiceOf(settings_);
    if (choice.Mode == GainMode::Off)
        return;
    const GainTags tags = files_.ReadGain ? files_.ReadGain(path) : GainTags{};
    const int32_t gain = FileGainHundredths(tags, choice, AlbumPlaysInOrder(fromLibrary));
    if (gain != 0)
        plugIns_.SetFileGain(gain);
}

void PlayerController::StartPlayback() {
    Notify n(*this);
    failureReported_ = false; // every start is a new try
    if (Paused)
        plugIns_.Play(1);
    else if (Playing)
        plugIns_.Play(settings_.Crossfading ? settings_.CrossTime : 0);
    else
        plugIns_.Play(settings_.PlayFade ? settings_.PlayTime : 0);
    SetDisplayTimer(true);
}

void PlayerController::StopPlayback() {
    Notify n(*this);
    display_.SliderPos = 0;
    for (size_t i = 1; i < display_.Elapsed.size(); ++i)
        display_.Elapsed[i] = 0;
    plugIns_.Stop(settings_.StopFade ? settings_.StopTime : 0);
}

void PlayerController::PausePlayback() {
    plugIns_.Pause(0);
}

void PlayerController::Play() {
    Notify n(*this);
    ClearNotice();
    failedInRow_ = 0;
    if (CdMode) {
        CdFailed = false;
        plugIns_.PlayCDTrack(CdDriveNumber, CurrentCdTrack, "play");
    } else if (plugIns_.PlugInReady() && ((TrackLoaded && !Playing) || Paused)) {
        StartPlayback();
    }
    Paused = false;
    Playing = true;
}

void PlayerController::Pause() {
    Notify n(*this);
    if (CdMode)
        plugIns_.PlayCDTrack(CdDriveNumber, CurrentCdTrack, "pause");
    else if (plugIns_.PlugInReady() && TrackLoaded)
        PausePlayback();
    Paused = true;
}

void PlayerController::Stop() {
    Notify n(*this);
    if (CdMode) {
        plugIns_.PlayCDTrack(CdDriveNumber, CurrentCdTrack, "stop");
    } else {
        CurrentMark = 1;
        if (plugIns_.PlugInReady() && TrackLoaded)
            StopPlayback();
    }
    Playing = false;
    Paused = false;
}

void PlayerController::CdStep(int delta) {
    const int track = CurrentCdTrack + delta;
    const int count = cd_ ? cd_->CdTrackCount() : 0;
    if (track < 0 || track >= count)
        return;
    CurrentCdTrack = track;
    CdFailed = false;
    cd_->SelectCdRow(track);
    plugIns_.PlayCDTrack(CdDriveNumber, CurrentCdTrack, "play");
    cd_->MarkCurrentCdTrack(track);
}

void PlayerController::JumpToMark(int mark) {
    if (mark >= 1 && mark <= static_cast<int>(IndexMarks.size()))
        plugIns_.SetPos(IndexMarks[static_cast<size_t>(mark - 1)].Position);
}

void PlayerController::NextTrack() {
    Notify n(*this);
    const int count = EntryCount();
    if (CdMode) {
        CdStep(+1);
    } else if (MarksLoaded && Playing && CurrentMark < static_cast<int>(IndexMarks.size())) {
        ++CurrentMark;
        JumpToMark(CurrentMark);
    } else if (order().Next(count, settings_.ShufflePlay)) {
        StartTimerLinear();
    }
    Paused = false;
}

void PlayerController::PreviousTrack() {
    Notify n(*this);
    if (CdMode) {
        CdStep(-1);
    } else if (!MarksLoaded || CurrentMark == 1) {
        if (order().Previous(settings_.ShufflePlay))
            StartTimerLinear();
    } else if (Playing && plugIns_.PlugInReady()) {
        CurrentMark = PreviousMarkTarget(IndexMarks, CurrentMark, plugIns_.GetPos());
        JumpToMark(CurrentMark);
    }
    Paused = false;
}

void PlayerController::ToggleShuffle() {
    Notify n(*this);
    settings_.ShufflePlay = !settings_.ShufflePlay;
    display_.ShuffleVisible = settings_.ShufflePlay;
    if (settings_.ShufflePlay)
        order().ShuffleOn(EntryCount(), Playing);
    else
        order().ShuffleOff();
}

void PlayerController::ShuffleClick() {
    Notify n(*this);
    ToggleShuffle();
    if (EntryCount() > 0) {
        SelectPlaylistRow(Current());
        list_->ScrollToRow(Current());
        emit scrollToRow(Current());
        list_->MarkCurrentEntry(Current());
    }
}

void PlayerController::RepeatAllClick() {
    Notify n(*this);
    settings_.RepeatAll = !settings_.RepeatAll;
    settings_.RepeatOne = false;
    ShowRepeatLabel();
}

void PlayerController::RepeatOneClick() {
    Notify n(*this);
    settings_.RepeatOne = !settings_.RepeatOne;
    settings_.RepeatAll = false;
    ShowRepeatLabel();
}

void PlayerController::JumpBy(int seconds) {
    if (!plugIns_.PlugInReady())
        return;
    plugIns_.SetPos(seconds == 0 ? 0 : plugIns_.GetPos() + seconds);
}

void PlayerController::SetVolumeSlider(int position) {
    position = std::clamp(position, 0, 100);
    if (position != display_.VolumeBar)
        VolumeBarChange(position);
}

void PlayerController::VolumeBarChange(int position) {
    Notify n(*this);
    position = std::clamp(position, 0, 100);
    display_.VolumeBar = position;
    settings_.PlayVolume = position;
    display_.VolLabel = QStringLiteral("Volume:%1%").arg(position);
    if ((plugIns_.PlugInReady() && TrackLoaded) || CdMode)
        plugIns_.SetVolume(position);
}

void PlayerController::VolumeUp() {
    const int pos = display_.VolumeBar;
    SetVolumeSlider(pos < 100 - 4 ? pos + 5 : 100);
}

void PlayerController::VolumeDown() {
    const int pos = display_.VolumeBar;
    SetVolumeSlider(pos < 5 ? 0 : pos - 5);
}

void PlayerController::VolumeMute() {
    SetVolumeSlider(0);
}

void PlayerController::SliderMouseDown() {
    Notify n(*this);
    if (Playing) {
        Dragging = true;
        SkipSliderUpdate = true;
    } else {
        display_.SliderPos = 0;
    }
}

void PlayerController::SliderMouseUp(int sliderPosition) {
    Notify n(*this);
    if (Dragging && Playing && plugIns_.PlugInReady() && sliderPosition != plugIns_.GetPos())
        plugIns_.SetPos(sliderPosition);
    if (Playing)
        display_.SliderPos = sliderPosition;
    else
        display_.SliderPos = 0;
    Dragging = false;
}

void PlayerController::UpdateTrackNumber() {
    Notify n(*this);
    display_.Track = TrackNumberDigits(CdMode ? CurrentCdTrack + 1 : Current() + 1, CdMode);
}

void PlayerController::DisplayTimerTimer() {
    Notify n(*this);
    const bool ready = plugIns_.PlugInReady();
    // One look at the plug-in per tick, so the answers below cannot disagree with each other.
    struct {
        uint8_t state = 0;
        int32_t pos = 0;
        int32_t length = 0;
        bool fading = false;
    } plugIn;
    if (ready) {
        plugIn.state = plugIns_.GetState();
        plugIn.pos = plugIns_.GetPos();
        plugIn.length = plugIns_.GetLength();
        plugIn.fading = plugIns_.GetNowFading();
    }
    // A CD track that stops by itself while it plays could not be read: its disc or disc image went.
    if (ready && CdMode && Playing && !Paused && plugIn.state == 0) {
        Playing = false;
        CdFailed = true;
    }
    if (CdMode && CdFailed)
        display_.DisplayInfo = CdUnreadable;
    else if (CdMode && cd_ && CurrentCdTrack >= 0 && CurrentCdTrack < cd_->CdTrackCount())
        display_.DisplayInfo = QString::fromStdString(cd_->CdTrackCaption(CurrentCdTrack));
    UpdateTrackNumber();
    display_.DSVisible = settings_.DirectSound;
    if (ready)
        display_.FadingVisible = plugIn.fading;
    // A file that ended without playing: the plug-in says why (when it can), the list goes on.
    bool unplayable = false;
    if (ready && !CdMode && Playing && plugIn.state == 3 && !failureReported_) {
        const std::string why = plugIns_.LoadError();
        unplayable = !why.empty();
        if (unplayable) {
            ReportUnplayable(why);
            PassUnplayable();
        }
    } else if (ready && !CdMode && Playing && plugIn.state == 1 && plugIn.length > 0) {
        failedInRow_ = 0;
    }
    // The end of a file, or the crossfade window before it, moves on to the next entry.
    if (ready && !CdMode && !unplayable) {
        const bool ended = plugIn.state == 3;
        bool crossfade = false;
        // The last entry of the play order is played to its end: with shuffle that is the last
        // place of the shuffle order, not the last row.
        if (!ended && settings_.Crossfading && Order().HasNext(EntryCount(), settings_.ShufflePlay)) {
            const int64_t length = plugIn.length;
            const int64_t pos = plugIn.pos;
            // A length of 0 means the plug-in does not know it yet, not a track that is over.
            crossfade = length > 0 && pos * 1000 >= length * 1000 - settings_.CrossTime;
        }
        if (ended || crossfade)
            MoveOn();
    }
    if (ready && CdMode && Playing && plugIn.state == 3)
        CdStep(+1);
    if (ready) {
        display_.SliderMax = std::max(plugIn.length, 0);
        ShowTime(display_.Length, plugIn.length);
    }
    if (!Playing || (ready && plugIn.state == 0)) {
        display_.SliderPos = 0;
        ShowTime(display_.Elapsed, 0);
    } else if (ready) {
        const int pos = plugIn.pos;
        if (!Dragging) {
            if (SkipSliderUpdate)
                SkipSliderUpdate = false;
            else
                display_.SliderPos = std::clamp(pos, 0, std::max(display_.SliderMax, 0));
        }
        ShowTime(display_.Elapsed, pos);
    }
    if (MarksLoaded) {
        display_.IndexVisible = true;
        if (ready)
            CurrentMark = FollowMark(IndexMarks, CurrentMark, plugIn.pos, Playing);
        CurrentMark = std::clamp(CurrentMark, 1, static_cast<int>(IndexMarks.size()));
        display_.DisplayInfo = IndexMarks[static_cast<size_t>(CurrentMark - 1)].Name;
        display_.IndexNumber = CurrentMark;
    } else {
        display_.IndexVisible = false;
    }
    if (!notice_.isEmpty() && !CdMode) {
        display_.DisplayInfo = notice_;
        if (noticeTicks_ > 0 && --noticeTicks_ == 0)
            ClearNotice();
    }
    // Nothing left to follow: stopped and no fade still sounding. This tick has drawn the stopped
    // display; StartPlayback starts the timer again. The open CD player keeps it, since a CD track can
    // start without the Play button.
    if (!Playing && !CdMode && !(ready && plugIn.fading))
        SetDisplayTimer(false);
}

void PlayerController::ShowNotice(const QString& text) {
    notice_ = text.size() > TitleCells ? TitleBlanks() + text : text;
    noticeTicks_ = NoticeTicks;
    display_.DisplayInfo = notice_;
}

// The title display shows the current file again (its index marks take it over at the next tick).
void PlayerController::ClearNotice() {
    if (notice_.isEmpty())
        return;
    noticeTicks_ = 0;
    notice_.clear();
    if (TrackLoaded && !currentFile_.empty())
        ShowTitle(currentFile_);
}

void PlayerController::ReportUnplayable(const std::string& pluginReason) {
    failureReported_ = true;
    ++failedInRow_;
    const FileProblem problem = LookAtFile(currentFile_);
    QString why;
    switch (problem.kind) {
    case FileProblem::Gone:
        why = tr("it is gone (%1)").arg(QString::fromLocal8Bit(problem.error.c_str()));
        break;
    case FileProblem::Empty:
        why = tr("the file is empty");
        break;
    case FileProblem::Unreadable:
        why = tr("it cannot be read (%1)").arg(QString::fromLocal8Bit(problem.error.c_str()));
        break;
    case FileProblem::Fine:
        why = QString::fromUtf8(pluginReason.c_str());
        break;
    }
    qCWarning(lcPlayback, "cannot play %s: %s (plug-in: %s)", currentFile_.c_str(), qUtf8Printable(why),
              pluginReason.c_str());
    QString name = QString::fromStdString(currentFile_);
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    ShowNotice(tr("Cannot play %1: %2").arg(name, why));
}

// As the end of a file, except that the same file is not tried again (repeat one) and a list none of
// whose files can be played stops instead of going round.
void PlayerController::PassUnplayable() {
    const int count = EntryCount();
    if (failedInRow_ < std::max(count, 1) && order().Next(count, settings_.ShufflePlay)) {
        StartTimerLinear();
    } else if (failedInRow_ < count && settings_.RepeatAll) {
        RestartList();
    } else {
        Stop();
    }
    // Stopped by this file: its message stays until the user plays or chooses something.
    if (!Playing)
        noticeTicks_ = -1;
}

void PlayerController::MoveOn() {
    if (settings_.RepeatOne) {
        if (Playing)
            StartPlayback();
        return;
    }
    if (!Playing || Dragging)
        return;
    const int count = EntryCount();
    if (order().Next(count, settings_.ShufflePlay)) {
        StartTimerLinear();
    } else if (settings_.RepeatAll && count > 0) {
        RestartList();
    } else {
        Stop();
    }
}

void PlayerController::RestartList() {
    StopPlayback();
    Playing = false;
    const int count = EntryCount();
    // The first entry that can be prepared starts the list again; entries that cannot are passed over,
    // and when none can, the player stops instead of retrying on every tick.
    for (int p = 0; p < count; ++p) {
        const int row = order().Restart(p, count, settings_.ShufflePlay);
        if (row < 0)
            break;
        TrackLoaded = false;
        SelectPlaylistRow(row);
        if (list_)
            list_->ScrollToRow(row);
        emit scrollToRow(row);
        if (TrackLoaded) {
            StartPlayback();
            Playing = true;
            return;
        }
    }
    Stop();
}

void PlayerController::TimerLinearTimer() {
    Notify n(*this);
    if (Playing && list_ && !list_->PlaylistBusy() && Current() >= 0 && Current() < list_->Count()) {
        if (PrepareTrack(EntryPath(Current()))) {
            TrackLoaded = true;
            StartPlayback();
            Playing = true;
        }
    }
    timerLinear_ = false;
    SelectPlaylistRow(Current());
    if (list_) {
        list_->ScrollToRow(Current());
        list_->MarkCurrentEntry(Current());
    }
    emit scrollToRow(Current());
}

void PlayerController::PlaylistSelectionChanged(int row, int selectedCount) {
    Notify n(*this);
    if (Playing || selectedCount != 1 || Closing || !list_ || list_->PlaylistBusy())
        return;
    if (row < 0 || row >= list_->Count())
        return;
    if (!selecting_)
        ClearNotice();
    order().SetCurrent(row);
    TrackLoaded = PrepareTrack(EntryPath(row));
    list_->MarkCurrentEntry(Current());
    UpdateTrackNumber();
}

void PlayerController::PlaylistDoubleClick(int selectedRow) {
    Notify n(*this);
    ClearNotice();
    failedInRow_ = 0;
    if (CdMode && CdFailed && list_ && selectedRow >= 0 && selectedRow < list_->Count() &&
        !list_->PlaylistBusy()) {
        // The CD could not be read: the entry plays with its own plug-in instead.
        CdMode = false;
        CdFailed = false;
        Paused = false;
        order().SetCurrent(selectedRow);
        TrackLoaded = PrepareTrack(EntryPath(selectedRow));
    }
    const bool wasPlaying = Playing;
    if (list_ && list_->Count() > 0 && selectedRow >= 0 && selectedRow < list_->Count() &&
        !list_->PlaylistBusy() && Playing) {
        order().SetCurrent(selectedRow);
        if (PrepareTrack(EntryPath(selectedRow))) {
            TrackLoaded = true;
            if (settings_.ShufflePlay)
                order().ContinueShuffleFrom(Current());
            StartPlayback();
        } else {
            TrackLoaded = false;
            SetDisplayTimer(false);
            Playing = false;
        }
    }
    if (list_)
        list_->MarkCurrentEntry(Current());
    UpdateTrackNumber();
    // A double-click while stopped plays the entry the first click prepared. One that failed while
    // playing leaves the player stopped; pressing Play there would claim playback with nothing started.
    if (!wasPlaying)
        Play();
}

void PlayerController::SelectPlaylistRow(int index) {
    const bool was = selecting_;
    selecting_ = true;
    if (list_)
        list_->SelectRow(index);
    selecting_ = was;
}

void PlayerController::PlaylistCleared() {
    Notify n(*this);
    if (!Playing) {
        TrackLoaded = false;
        display_.DisplayInfo = QStringLiteral("No title selected...");
        display_.DSVisible = false;
        display_.Elapsed = TimeDigits{0, 0, 0, 0, 0};
        display_.Length = TimeDigits{0, 0, 0, 0, 0};
    }
    order().Clear();
    UpdateTrackNumber();
    display_.Title = display_.Artist = display_.Album = display_.Year = QStringLiteral("---");
    if (!Playing) {
        display_.CoverPath = QString::fromStdString(folder_ + "/Skins/_logo.jpg");
        display_.CoverVisible = true;
        ++display_.CoverVersion;
    }
}

void PlayerController::PlayLibraryFile(const PlayerEntryList::Entry& entry) {
    Notify n(*this);
    ClearNotice();
    failedInRow_ = 0;
    PlayFromLibrary = true;
    libraryEntry_ = entry;
    order().SetCurrent(-1);
    if (list_)
        list_->MarkCurrentEntry(-1);
    if (PrepareTrack(entry.Path)) {
        TrackLoaded = true;
        StartPlayback();
        Playing = true;
    }
}

void PlayerController::OpenCd(int drive) {
    Notify n(*this);
    ClearNotice();
    display_.CoverPath = QString::fromStdString(folder_ + "/Skins/_logo.jpg");
    display_.CoverVisible = true;
    ++display_.CoverVersion;
    // The file that plays stops at once: the CD plug-in takes over.
    if (plugIns_.PlugInReady())
        plugIns_.Stop(0);
    Playing = false;
    Paused = false;
    CdMode = true;
    CdFailed = false;
    CdDriveNumber = drive;
    CurrentCdTrack = 0;
    // A CD track has no tags: the file's texts must not stay on as if they were the track's.
    display_.Title = display_.Artist = display_.Album = display_.Year = QStringLiteral("---");
    SetDisplayTimer(true);
}

void PlayerController::CdPluginSelected() {
    Notify n(*this);
    SetVolumeSlider(settings_.PlayVolume);
    plugIns_.SetVolume(display_.VolumeBar);
}

void PlayerController::CloseCd() {
    Notify n(*this);
    ClearNotice();
    CdMode = false;
    CdFailed = false;
    Playing = false;
    Paused = false;
    TrackLoaded = false;
    // Back to the playlist: its current entry is prepared again (with its own plug-in).
    if (EntryCount() == 0) {
        display_.DisplayInfo = QString(51, QLatin1Char(' ')) + NoTitle; // scrolls in from the right
    } else if (Current() >= 0 && Current() < EntryCount()) {
        TrackLoaded = PrepareTrack(EntryPath(Current()));
    }
    UpdateTrackNumber();
}

void PlayerController::BeginShutDown() {
    Notify n(*this);
    if (Playing)
        StopPlayback();
    Closing = true;
}

std::string PlayerController::BeginSetIndex() {
    Notify n(*this);
    if (!TrackLoaded || display_.SliderPos <= 0 || Current() < 0 || Current() >= EntryCount())
        return {};
    PausePlayback();
    return IndexFilePath(EntryPath(Current()));
}

void PlayerController::EndSetIndex(int newMarkNumber) {
    Notify n(*this);
    const std::string target = IndexFilePath(EntryPath(Current()));
    if (!target.empty() && QFileInfo::exists(QString::fromStdString(target))) {
        LoadMarks(target);
        display_.IndexVisible = MarksLoaded;
    }
    CurrentMark = std::clamp(newMarkNumber, 1, std::max<int>(1, static_cast<int>(IndexMarks.size())));
    StartPlayback();
}

std::string PlayerController::EditIndexTarget() const {
    if (!TrackLoaded || Current() < 0 || Current() >= EntryCount())
        return {};
    std::string target = IndexFilePath(EntryPath(Current()));
    return QFileInfo(QString::fromStdString(target)).isFile() ? target : std::string();
}

void PlayerController::EndEditIndex() {
    Notify n(*this);
    if (Current() < 0 || Current() >= EntryCount())
        return;
    const bool wasLoaded = MarksLoaded;
    IndexMarks = ReadIndexFile(IndexFilePath(EntryPath(Current())));
    // Marks stay shown as before, unless the edit left none to show.
    MarksLoaded = wasLoaded && !IndexMarks.empty();
    if (MarksLoaded)
        CurrentMark = std::clamp(CurrentMark, 1, static_cast<int>(IndexMarks.size()));
}

void PlayerController::DeleteIndexFile() {
    Notify n(*this);
    if (Current() < 0 || Current() >= EntryCount())
        return;
    const std::string path = EntryPath(Current());
    std::remove(IndexFilePath(path).c_str());
    MarksLoaded = false;
    IndexMarks.clear();
    CurrentMark = 1;
    display_.IndexVisible = false;
    ShowTitle(path);
}

} // namespace larkspin
