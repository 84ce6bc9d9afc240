#pragma once

#include "PlayOrder.h"
#include "PlayerController.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace larkspin::test {

// A playlist of fixed entries that reports selections back to the player, as the playlist window does.
class EntryListFake : public PlayerEntryList {
public:
    std::vector<Entry> entries;
    PlayerController* player = nullptr;
    int Count() const override { return static_cast<int>(entries.size()); }
    Entry EntryAt(int index) const override { return entries.at(static_cast<size_t>(index)); }
    bool PlaylistBusy() const override { return false; }
    void MarkCurrentEntry(int) override {}
    void SelectRow(int index) override { player->PlaylistSelectionChanged(index, index >= 0 ? 1 : 0); }
    void ScrollToRow(int) override {}
    PlayOrder& Order() override { return order; }
    const PlayOrder& Order() const override { return order; }
    PlayOrder order;
};

// Copies the built sndfile decoder into dir's PlugIn/Decoder, the folder a plug-in host reads. The folder,
// or an empty text when the plug-in is not built or cannot be copied.
inline QString CopySndfileDecoder(const QTemporaryDir& dir) {
    const QString plugIn = QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so");
    const QString decoders = dir.filePath("PlugIn/Decoder");
    if (!QFile::exists(plugIn) || !QDir().mkpath(decoders) ||
        !QFile::copy(plugIn, decoders + "/IB_sndfile.so"))
        return {};
    return decoders;
}

} // namespace larkspin::test
