#include "usbdriver/host/OutputQueue.h"

#include <sys/socket.h>
#include <sys/uio.h>

#include <cerrno>

namespace qda {
namespace {
// Pieces shorter than this are copied: a short reply keeps no large buffer alive while it waits.
constexpr size_t kTakeOverSize = 64 * 1024;
constexpr size_t kMaxIovecs = 16;
}  // namespace

void COutputQueue::Append(const uint8_t* data, size_t length) {
    if (length == 0) return;
    if (m_pieces.empty() || m_pieces.back().size() >= kTakeOverSize) m_pieces.emplace_back();
    m_pieces.back().insert(m_pieces.back().end(), data, data + length);
    m_size += length;
}

void COutputQueue::AppendPiece(std::vector<uint8_t>&& piece) {
    if (piece.size() < kTakeOverSize) {
        Append(piece.data(), piece.size());
        return;
    }
    m_size += piece.size();
    m_pieces.push_back(std::move(piece));
}

void COutputQueue::Clear() {
    m_pieces.clear();
    m_offset = 0;
    m_size = 0;
}

COutputQueue::WriteResult COutputQueue::WriteTo(int fd) {
    while (m_size > 0) {
        iovec iov[kMaxIovecs];
        size_t count = 0;
        for (size_t i = 0; i < m_pieces.size() && count < kMaxIovecs; ++i) {
            const size_t skip = i == 0 ? m_offset : 0;
            iov[count].iov_base = m_pieces[i].data() + skip;
            iov[count].iov_len = m_pieces[i].size() - skip;
            ++count;
        }
        msghdr message{};
        message.msg_iov = iov;
        message.msg_iovlen = count;
        const ssize_t n = ::sendmsg(fd, &message, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return WriteResult::Again;
        if (n <= 0) return WriteResult::Broken;
        size_t written = static_cast<size_t>(n);
        m_size -= written;
        while (written > 0) {
            const size_t left = m_pieces.front().size() - m_offset;
            if (written < left) {
                m_offset += written;
                break;
            }
            written -= left;
            m_pieces.pop_front();
            m_offset = 0;
        }
    }
    return WriteResult::Done;
}

std::vector<uint8_t> COutputQueue::Joined() const {
    std::vector<uint8_t> all;
    all.reserve(m_size);
    for (size_t i = 0; i < m_pieces.size(); ++i)
        all.insert(all.end(), m_pieces[i].begin() + static_cast<std::ptrdiff_t>(i == 0 ? m_offset : 0),
                   m_pieces[i].end());
    return all;
}

}  // namespace qda
