#include "data/ByteArena.h"

#include "platform/LargePages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {

/// Blocks of BlockSize that the last destroyed arena left, waiting for the next arena.
class KeptPool {
public:
    ~KeptPool() { Replace({}); }

    char* Take() {
        const std::lock_guard<std::mutex> guard(Lock);
        if (Kept.empty()) {
            return nullptr;
        }
        char* block = Kept.back();
        Kept.pop_back();
        return block;
    }

    void Replace(std::vector<char*> ABlocks) {
        std::vector<char*> old;
        {
            const std::lock_guard<std::mutex> guard(Lock);
            old.swap(Kept);
            Kept = std::move(ABlocks);
        }
        for (char* block : old) {
            std::free(block);
        }
    }

    int Count() {
        const std::lock_guard<std::mutex> guard(Lock);
        return int(Kept.size());
    }

private:
    std::mutex Lock;
    std::vector<char*> Kept;
};

KeptPool& Pool() {
    static KeptPool pool;
    return pool;
}

} // namespace

int ByteArena::KeptBlocks() {
    return Pool().Count();
}

ByteArena::~ByteArena() {
    std::vector<char*> reusable;
    for (const Block& block : Blocks) {
        if (block.Size == BlockSize) {
            reusable.push_back(block.Data);
        } else {
            std::free(block.Data);
        }
    }
    if (!reusable.empty()) {
        Pool().Replace(std::move(reusable));
    }
}

void* ByteArena::Allocate(std::size_t ASize, std::size_t AAlign) {
    const qsizetype size = qsizetype(std::max<std::size_t>(ASize, 1));
    qsizetype skip = qsizetype((AAlign - reinterpret_cast<std::uintptr_t>(Next) % AAlign) % AAlign);
    if (!Next || skip + size > Left) {
        NewBlock(size + qsizetype(AAlign));
        skip = qsizetype((AAlign - reinterpret_cast<std::uintptr_t>(Next) % AAlign) % AAlign);
    }
    char* room = Next + skip;
    Next = room + size;
    Left -= skip + size;
    return room;
}

void ByteArena::NewBlock(qsizetype AAtLeast) {
    Blocks.reserve(Blocks.size() + 1);
    const qsizetype size = std::max(Blocks.empty() ? FirstBlockSize : BlockSize, AAtLeast);
    char* data = size == BlockSize ? Pool().Take() : nullptr;
    if (!data) {
        data = static_cast<char*>(std::malloc(std::size_t(size)));
        if (!data) {
            throw std::bad_alloc();
        }
        if (size >= BlockSize) {
            LargePages::Advise(data, std::size_t(size));
        }
    }
    Blocks.push_back({data, size});
    Next = data;
    Left = size;
}
