#include "capture/rifffinish.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

namespace nuvo {

namespace {

constexpr qint64 kHeaderSize = 8;  // four-character code and 32-bit length
constexpr quint32 kKeyFrame = 0x10;

struct Chunk {
    QByteArray id;
    qint64 at = 0;  // of its header
    quint32 size = 0;
    QByteArray listType;  // for LIST and RIFF
    qint64 end() const { return at + kHeaderSize + size + (size & 1); }
};

class RiffFile {
public:
    explicit RiffFile(QFile& file) : m_file(file) {}

    std::optional<Chunk> chunkAt(qint64 at) const {
        if (at + kHeaderSize > m_file.size() || !m_file.seek(at)) return std::nullopt;
        const QByteArray header = m_file.read(kHeaderSize + 4);
        if (header.size() < kHeaderSize) return std::nullopt;
        Chunk chunk{header.left(4), at, qFromLittleEndian<quint32>(header.constData() + 4), {}};
        if ((chunk.id == "LIST" || chunk.id == "RIFF") && header.size() == kHeaderSize + 4)
            chunk.listType = header.mid(8, 4);
        return chunk;
    }

    bool write32(qint64 at, quint32 value) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        return m_file.seek(at) && m_file.write(bytes, 4) == 4;
    }

    // The chunks of a list or of the file's RIFF whose whole length is in the file.
    std::vector<Chunk> children(qint64 from, qint64 to) const {
        std::vector<Chunk> found;
        for (qint64 at = from; at < to;) {
            const std::optional<Chunk> chunk = chunkAt(at);
            if (!chunk || chunk->end() > m_file.size()) break;
            found.push_back(*chunk);
            at = chunk->end();
        }
        return found;
    }

private:
    QFile& m_file;
};

bool fail(QString* problem, const QString& why) {
    if (problem) *problem = why;
    return false;
}

// The chunk ids of stream data ("00dc", "01wb"...), two digits and two letters.
bool isStreamData(const QByteArray& id) {
    return id.size() == 4 && std::isdigit(uchar(id[0])) && std::isdigit(uchar(id[1])) &&
           std::isalpha(uchar(id[2])) && std::isalpha(uchar(id[3]));
}

bool finishWave(QFile& file, RiffFile& riff, QString* problem) {
    quint16 blockAlign = 1;
    for (qint64 at = 12; at + kHeaderSize <= file.size();) {
        const std::optional<Chunk> chunk = riff.chunkAt(at);
        if (!chunk) break;
        if (chunk->id == "fmt " && file.seek(at + kHeaderSize + 12)) {
            const QByteArray align = file.read(2);
            if (align.size() == 2) blockAlign = std::max<quint16>(1, qFromLittleEndian<quint16>(align.constData()));
        } else if (chunk->id == "data") {
            const qint64 data = at + kHeaderSize;
            const qint64 bytes = (file.size() - data) / blockAlign * blockAlign;
            if (!file.resize(data + bytes) || !riff.write32(at + 4, quint32(bytes)) ||
                !riff.write32(4, quint32(file.size() - kHeaderSize)))
                return fail(problem, file.errorString());
            return true;
        }
        at = chunk->end();
    }
    return fail(problem, QStringLiteral("it holds no sound"));
}

QByteArray indexOf(const std::vector<Chunk>& frames, qint64 moviType, size_t count) {
    QByteArray index("idx1");
    index.resize(kHeaderSize + 16 * qsizetype(count));
    qToLittleEndian(quint32(16 * count), index.data() + 4);
    char* entry = index.data() + kHeaderSize;
    for (size_t i = 0; i < count; ++i, entry += 16) {
        std::copy_n(frames[i].id.constData(), 4, entry);
        qToLittleEndian(kKeyFrame, entry + 4);
        qToLittleEndian(quint32(frames[i].at - moviType), entry + 8);
        qToLittleEndian(frames[i].size, entry + 12);
    }
    return index;
}

bool finishAvi(QFile& file, RiffFile& riff, QString* problem) {
    std::optional<Chunk> movi;
    std::vector<Chunk> headerChunks;
    for (qint64 at = 12; at + kHeaderSize <= file.size() && !movi;) {
        const std::optional<Chunk> chunk = riff.chunkAt(at);
        if (!chunk) break;
        if (chunk->listType == "movi") movi = chunk;
        else headerChunks.push_back(*chunk);
        at = chunk->end();
    }
    if (!movi) return fail(problem, QStringLiteral("it holds no frames"));
    const qint64 moviType = movi->at + kHeaderSize;
    std::vector<Chunk> frames;
    qint64 end = moviType + 4;
    for (const Chunk& chunk : riff.children(moviType + 4, file.size())) {
        if (chunk.id == "idx1") break;
        if (isStreamData(chunk.id)) frames.push_back(chunk);
        end = chunk.end();
    }
    // Room for the index: each frame left out frees more than the index needs.
    for (size_t count = frames.size();;) {
        const qint64 moviEnd = count == frames.size() ? end : frames[count].at;
        const QByteArray index = indexOf(frames, moviType, count);
        if (file.resize(moviEnd) && file.seek(moviEnd) && file.write(index) == index.size()) {
            end = moviEnd;
            frames.resize(count);
            break;
        }
        if (count == 0) return fail(problem, file.errorString());
        --count;
    }
    // The lengths, and the frame counts of the main header and of the video stream.
    const auto videoFrames = quint32(std::count_if(frames.begin(), frames.end(), [](const Chunk& c) {
        return c.id.startsWith("00");
    }));
    bool written = riff.write32(4, quint32(file.size() - kHeaderSize)) &&
                   riff.write32(movi->at + 4, quint32(end - moviType));
    for (const Chunk& list : headerChunks) {
        if (list.listType != "hdrl") continue;
        for (const Chunk& chunk : riff.children(list.at + 12, list.end())) {
            if (chunk.id == "avih") written = written && riff.write32(chunk.at + kHeaderSize + 16, videoFrames);
            if (chunk.listType == "strl") {
                const std::vector<Chunk> stream = riff.children(chunk.at + 12, chunk.end());
                if (!stream.empty() && stream[0].id == "strh" && file.seek(stream[0].at + kHeaderSize) &&
                    file.read(4) == "vids")
                    written = written && riff.write32(stream[0].at + kHeaderSize + 32, videoFrames);
            }
            if (chunk.listType == "odml")
                for (const Chunk& dmlh : riff.children(chunk.at + 12, chunk.end()))
                    if (dmlh.id == "dmlh") written = written && riff.write32(dmlh.at + kHeaderSize, videoFrames);
        }
    }
    return written ? true : fail(problem, file.errorString());
}

}  // namespace

bool finishRiffFile(const QString& path, QString* problem) {
    QFile file(path);
    // Unbuffered, so a write the disk refuses is not kept to fail again.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return fail(problem, file.errorString());
    RiffFile riff(file);
    const std::optional<Chunk> top = riff.chunkAt(0);
    if (!top || top->id != "RIFF" || top->end() == file.size()) return true;
    // A large AVI goes on in further RIFF parts after a finished first one.
    if (const std::optional<Chunk> next = riff.chunkAt(top->end()); next && next->id == "RIFF")
        return true;
    if (top->listType == "WAVE") return finishWave(file, riff, problem);
    if (top->listType == "AVI ") return finishAvi(file, riff, problem);
    return true;
}

}  // namespace nuvo
