#include "PlayerPlugInSocket.h"

#include "HostPlayerPlugIns.h"
#include "Settings.h"

namespace larkspin {

void PlayerPlugInSocket::plugHost(TPlugInHost* host) {
    hostAdapter_.reset(host ? new HostPlayerPlugIns(*host, settings()) : nullptr);
    target_ = hostAdapter_.get();
}

std::optional<int> PlayerPlugInSocket::ChoosePlugIn(const std::string& path) {
    return target_ ? target_->ChoosePlugIn(path) : std::nullopt;
}
void PlayerPlugInSocket::SwitchPlugIn(int row, bool playing) {
    if (target_)
        target_->SwitchPlugIn(row, playing);
}
void PlayerPlugInSocket::LoadFile(const std::string& path) {
    if (target_)
        target_->LoadFile(path);
}
void PlayerPlugInSocket::Play(int32_t fadeMs) {
    if (target_)
        target_->Play(fadeMs);
}
void PlayerPlugInSocket::Pause(int32_t fadeMs) {
    if (target_)
        target_->Pause(fadeMs);
}
void PlayerPlugInSocket::Stop(int32_t fadeMs) {
    if (target_)
        target_->Stop(fadeMs);
}
int32_t PlayerPlugInSocket::GetLength() {
    return target_ ? target_->GetLength() : 0;
}
int32_t PlayerPlugInSocket::GetPos() {
    return target_ ? target_->GetPos() : 0;
}
uint8_t PlayerPlugInSocket::GetState() {
    return target_ ? target_->GetState() : 0;
}
bool PlayerPlugInSocket::GetNowFading() {
    return target_ && target_->GetNowFading();
}
void PlayerPlugInSocket::SetPos(int32_t seconds) {
    if (target_)
        target_->SetPos(seconds);
}
void PlayerPlugInSocket::SetVolume(int32_t volume) {
    if (target_)
        target_->SetVolume(volume);
}
void PlayerPlugInSocket::PlayCDTrack(int32_t drive, int32_t track, const char* command) {
    if (target_)
        target_->PlayCDTrack(drive, track, command);
}

} // namespace larkspin
