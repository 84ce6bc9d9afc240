#include "AddFilesState.h"

namespace larkspin {

AddFilesState::AddFilesState(std::string joinedTypes) : joinedTypes_(std::move(joinedTypes)) {}
void AddFilesState::SetJoinedTypes(std::string joinedTypes) {
    joinedTypes_ = std::move(joinedTypes);
}
void AddFilesState::Show(bool, bool) {}
void AddFilesState::ChangeFolder(const std::string& folder) {
    folder_ = folder;
}
void AddFilesState::Add(const std::vector<int>&) {}
void AddFilesState::AddAll() {}
void AddFilesState::Remove(const std::vector<int>&) {}
void AddFilesState::RemoveAll() {}
bool AddFilesState::AcceptSelected() {
    return false;
}
void AddFilesState::Close() {}
void AddFilesState::MakeAvailable(const std::string&) {}

} // namespace larkspin
