#pragma once

#include "PlayerInterfaces.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace larkspin {

class PlayerController;
class TCddb;
class TPlugInHost;
struct Settings;

// The audio CD player of the playlist window without its widgets: which drives hold audio CDs, the
// track rows of the open disc, playing them through the CD plug-in in the player's CD mode, and naming
// them through a CDDB server. Lives on the user-interface thread; the panel widget shows what it holds
// and passes clicks in.
class CdPanel : public QObject, public PlayerCdTrackList {
    Q_OBJECT
public:
    struct Row {
        QString track;
        QString length;
    };
    // An entry of the playlist's "+" menu for a drive holding an audio CD.
    struct DriveItem {
        int drive = 0; // 0 for the first CD drive, 1 for the second
        QString caption;
    };

    CdPanel(Settings& settings, PlayerController& player, TPlugInHost& host, QObject* parent = nullptr);
    ~CdPanel() override;

    // Chooses among several CDDB matches: the lines to show, answering the chosen one or -1. The panel
    // widget sets the match window here.
    std::function<int(const QStringList& lines)> ChooseMatch;

    // The first two CD drives that hold an audio CD, captioned "AudioCD (<device>)".
    std::vector<DriveItem> AudioCdDrives() const;
    // True when the drive (0 or 1) holds a disc with an audio track.
    bool IsAudioCD(int drive) const;

    // Opens the CD player on a drive; false (with the message already given) when it holds no audio CD.
    bool OpenCd(int drive);
    // "Close CD Player": stops the track, leaves CD mode and prepares the playlist's current entry.
    void CloseCd();
    bool IsOpen() const;

    const std::vector<Row>& Rows() const { return rows_; }
    // "CD Digital Audio", with the disc's title once CDDB named it.
    const QString& Caption() const { return caption_; }
    int MarkedRow() const { return marked_; }

    // Row clicks of the track list.
    void RowSelected(int row);
    void RowDoubleClicked(int row);

    // "Get FreeDB Infos": reads the disc's TOC and asks the CDDB server; answers arrive later.
    void GetFreeDbInfos();
    // The client's status texts and received lines, in arrival order, since the last query began.
    const QStringList& CddbLog() const { return log_; }
    TCddb& cddb() { return *cddb_; }

    // The player's view of the track list.
    int CdTrackCount() const override { return static_cast<int>(rows_.size()); }
    std::string CdTrackCaption(int track) const override;
    void SelectCdRow(int track) override;
    void MarkCurrentCdTrack(int track) override;

signals:
    void opened();
    void closed();
    void rowsChanged();
    void captionChanged();
    void markChanged();
    // The list shows row (-1: none) selected.
    void rowSelectionRequested(int row);
    // A message box with the given text.
    void message(const QString& text);

private:
    void fillRows();
    void appendLog(const QString& line);
    void onMatch(const QStringList& matches, int& rightOne);
    void readAfterMatch();
    void readOutInfos();
    void noMatch();

    Settings& settings_;
    PlayerController& player_;
    TPlugInHost& host_;
    std::unique_ptr<TCddb> cddb_;
    std::vector<Row> rows_;
    QString caption_;
    int marked_ = -1;
    QStringList log_;
    bool querying_ = false; // from a query started here until its match was handled
    bool waiting_ = false;  // from a query until its entry was read or no match was found
    bool shown_ = false;    // from opened() until closed()
    void followPlayer();
};

} // namespace larkspin
