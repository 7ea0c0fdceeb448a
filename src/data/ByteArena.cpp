#include "data/ByteArena.h"

#include "platform/LargePages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

/// memcpy, but past the cache where it can: the bytes are written once here and seldom read soon after, so
/// bringing each target line into the cache first, to overwrite it, only costs time.
void CopyPastCache(char* ATarget, const char* ASource, std::size_t ASize) {
#if defined(__SSE2__)
    constexpr std::size_t Line = 64;
    const std::size_t head = std::min(ASize, (Line - reinterpret_cast<std::uintptr_t>(ATarget) % Line) % Line);
    std::memcpy(ATarget, ASource, head);
    ATarget += head;
    ASource += head;
    ASize -= head;
    for (; ASize >= Line; ASize -= Line, ASource += Line, ATarget += Line) {
        const __m128i* from = reinterpret_cast<const __m128i*>(ASource);
        __m128i* to = reinterpret_cast<__m128i*>(ATarget);
        const __m128i a = _mm_loadu_si128(from);
        const __m128i b = _mm_loadu_si128(from + 1);
        const __m128i c = _mm_loadu_si128(from + 2);
        const __m128i d = _mm_loadu_si128(from + 3);
        _mm_stream_si128(to, a);
        _mm_stream_si128(to + 1, b);
        _mm_stream_si128(to + 2, c);
        _mm_stream_si128(to + 3, d);
    }
    std::memcpy(ATarget, ASource, ASize);
    // The streamed stores are ordered before anything that follows, as plain ones would be.
    _mm_sfence();
#else
    std::memcpy(ATarget, ASource, ASize);
#endif
}

using CharData = QTypedArrayData<char>;
using TextData = QTypedArrayData<char16_t>;

void Release(QArrayData* AHeader, bool AText) {
    if (!AHeader->deref()) {
        if (AText) {
            TextData::deallocate(AHeader);
        } else {
            CharData::deallocate(AHeader);
        }
    }
}

/// Blocks of the last destroyed arena that nothing else holds, waiting for the next arena; one pool per lane.
class KeptPool {
public:
    using Blocks = std::vector<std::pair<QArrayData*, char*>>;

    explicit KeptPool(bool AText) : IsText(AText) {}
    ~KeptPool() { Replace({}); }

    bool Take(QArrayData*& AHeader, char*& AData) {
        const std::lock_guard<std::mutex> guard(Lock);
        if (Kept.empty()) {
            return false;
        }
        AHeader = Kept.back().first;
        AData = Kept.back().second;
        Kept.pop_back();
        return true;
    }

    void Replace(Blocks ABlocks) {
        Blocks old;
        {
            const std::lock_guard<std::mutex> guard(Lock);
            old.swap(Kept);
            Kept = std::move(ABlocks);
        }
        for (const auto& block : old) {
            Release(block.first, IsText);
        }
    }

    int Count() {
        const std::lock_guard<std::mutex> guard(Lock);
        return int(Kept.size());
    }

private:
    const bool IsText;
    std::mutex Lock;
    Blocks Kept;
};

KeptPool& Pool(bool AText) {
    static KeptPool bytes(false);
    static KeptPool text(true);
    return AText ? text : bytes;
}

} // namespace

int ByteArena::KeptBlocks() {
    return Pool(false).Count() + Pool(true).Count();
}

ByteArena::~ByteArena() {
    Give(Bytes, false);
    Give(Text, true);
}

void ByteArena::Give(Lane& ALane, bool AText) {
    KeptPool::Blocks reusable;
    for (const Block& block : ALane.Blocks) {
        // A block that values outside still share goes with the last of them; one that only the arena holds can
        // serve the next arena as it is.
        if (block.Size == BlockSize && !block.Header->isShared()) {
            reusable.emplace_back(block.Header, block.Data);
        } else {
            Release(block.Header, AText);
        }
    }
    if (!reusable.empty()) {
        Pool(AText).Replace(std::move(reusable));
    }
}

QByteArray ByteArena::Store(const char* AData, qsizetype ASize) {
    if (ASize <= 0) {
        return QByteArray(AData, 0);
    }
    char* copy = Take(Bytes, ASize + 1, 1, false);
    CopyPastCache(copy, AData, std::size_t(ASize));
    copy[ASize] = '\0';
    QArrayData* header = Bytes.Blocks.back().Header;
    header->ref();
    return QByteArray(QByteArray::DataPointer(static_cast<CharData*>(header), copy, ASize));
}

QString ByteArena::StoreLatin1(const char* AData, qsizetype ASize) {
    if (ASize <= 0) {
        return QStringLiteral("");
    }
    char16_t* text = reinterpret_cast<char16_t*>(Take(Text, (ASize + 1) * 2, alignof(char16_t), true));
    for (qsizetype i = 0; i < ASize; ++i) {
        text[i] = static_cast<unsigned char>(AData[i]);
    }
    text[ASize] = u'\0';
    QArrayData* header = Text.Blocks.back().Header;
    header->ref();
    return QString(QString::DataPointer(static_cast<TextData*>(header), text, ASize));
}

void* ByteArena::Allocate(std::size_t ASize, std::size_t AAlign) {
    return Take(Bytes, qsizetype(std::max<std::size_t>(ASize, 1)), AAlign, false);
}

char* ByteArena::Take(Lane& ALane, qsizetype ASize, std::size_t AAlign, bool AText) {
    qsizetype skip = qsizetype((AAlign - reinterpret_cast<std::uintptr_t>(ALane.Next) % AAlign) % AAlign);
    if (!ALane.Next || skip + ASize > ALane.Left) {
        NewBlock(ALane, ASize + qsizetype(AAlign), AText);
        skip = qsizetype((AAlign - reinterpret_cast<std::uintptr_t>(ALane.Next) % AAlign) % AAlign);
    }
    char* room = ALane.Next + skip;
    ALane.Next = room + ASize;
    ALane.Left -= skip + ASize;
    return room;
}

void ByteArena::NewBlock(Lane& ALane, qsizetype AAtLeast, bool AText) {
    ALane.Blocks.reserve(ALane.Blocks.size() + 1);
    const qsizetype wanted = ALane.Blocks.empty() ? FirstBlockSize : BlockSize;
    const qsizetype size = std::max(wanted, AAtLeast + (AAtLeast & 1));
    QArrayData* header = nullptr;
    char* data = nullptr;
    if (size != BlockSize || !Pool(AText).Take(header, data)) {
        // The header counts elements: bytes, or UTF-16 code units for text.
        if (AText) {
            const auto allocated = TextData::allocate(size / 2);
            header = allocated.first;
            data = reinterpret_cast<char*>(allocated.second);
        } else {
            const auto allocated = CharData::allocate(size);
            header = allocated.first;
            data = allocated.second;
        }
        if (!header) {
            throw std::bad_alloc();
        }
        if (size >= BlockSize) {
            LargePages::Advise(data, std::size_t(size));
        }
    }
    ALane.Blocks.push_back({header, data, size});
    ALane.Next = data;
    ALane.Left = size;
}
