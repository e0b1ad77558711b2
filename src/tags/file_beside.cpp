#include "tags/file_beside.h"

#include "data/local_text.h"
#include "platform/file_publish.h"
#include "platform/positional_file.h"

#include <cerrno>
#include <random>

namespace tb::tags {
namespace {

constexpr int kNameAttempts = 20;

std::string randomLetters() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, sizeof kLetters - 2);
    std::string letters;
    for (int i = 0; i < 8; ++i) {
        letters += kLetters[pick(source)];
    }
    return letters;
}

} // namespace

FileBeside::FileBeside(std::string_view target) : m_target(target) {}

FileBeside::~FileBeside() {
    removeTemporary();
}

bool FileBeside::create() {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = m_target + "." + randomLetters() + ".tbnew";
        const int error = m_file.open(LocalToUtf8(name), platform::PositionalFile::Open::CreateNew);
        if (error == 0) {
            m_temporary = name;
            return true;
        }
        if (error != EEXIST) {
            return false;
        }
    }
    return false;
}

bool FileBeside::append(std::string_view bytes) {
    if (m_file.writeAt(m_size, bytes.data(), bytes.size()) != 0) {
        return false;
    }
    m_size += bytes.size();
    return true;
}

PublishResult FileBeside::publish() {
    if (m_temporary.empty() || m_file.sync() != 0) {
        return PublishResult::Failed;
    }
    m_file.close();
    switch (platform::MoveFileNoReplace(m_temporary, m_target)) {
    case platform::MoveResult::Moved:
        m_temporary.clear();
        platform::SyncFolderOf(LocalToUtf8(m_target));
        return PublishResult::Published;
    case platform::MoveResult::TargetExists:
        return PublishResult::TargetExists;
    case platform::MoveResult::Failed:
        break;
    }
    return PublishResult::Failed;
}

void FileBeside::removeTemporary() {
    m_file.close();
    if (!m_temporary.empty()) {
        platform::RemoveFileIfPresent(LocalToUtf8(m_temporary));
        m_temporary.clear();
    }
}

} // namespace tb::tags
