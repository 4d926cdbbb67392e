#pragma once
// Stand-ins for the slide show's platform pieces: pictures that count how
// many are alive, a decoder driven by a table of file outcomes, a scripted
// random source and an in-memory folder.

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#include "common/lock.h"
#include "render/slides/picture.h"
#include "render/slides/picture_scanner.h"
#include "render/slides/slide_timeline.h"

namespace mr::test {

inline void SleepMs(unsigned ms) {
#ifdef _WIN32
    Sleep(ms);
#else
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
#endif
}

// Waits (bounded, about `ms` in all) until done() holds; returns done().
template <typename F>
bool WaitFor(F done, unsigned ms = 5000) {
    for (unsigned i = 0; i < ms && !done(); ++i) SleepMs(1);
    return done();
}

// Pictures alive at the moment, over all FakePictures.
inline std::atomic<int>& LivePictures() {
    static std::atomic<int> live{0};
    return live;
}

class FakePicture final : public Picture {
public:
    FakePicture(uint32_t w, uint32_t h, std::u16string source) : Picture(w, h), source_(std::move(source)) {
        ++LivePictures();
    }
    ~FakePicture() override { --LivePictures(); }
    void* Texture() const override { return const_cast<FakePicture*>(this); }
    const std::u16string& Source() const { return source_; }

private:
    std::u16string source_;
};

inline const FakePicture& AsFake(const Picture* p) { return *static_cast<const FakePicture*>(p); }

// Files decode to 100 × 50 pictures unless the table says otherwise; bytes
// decode when they begin with "PIC". Thread-safe: the loader thread decodes
// while the test thread reads the counters.
class FakeDecoder final : public SlideDecoder {
public:
    void SetOutcome(const std::u16string& path, DecodeResult result) {
        LockGuard hold(mutex_);
        outcomes_[path] = result;
    }
    DecodeResult DecodeFile(std::u16string_view path, Picture** picture) override {
        std::u16string p(path);
        DecodeResult result = DecodeResult::kDecoded;
        {
            LockGuard hold(mutex_);
            decoded_.push_back(p);
            auto it = outcomes_.find(p);
            if (it != outcomes_.end()) result = it->second;
        }
        ++decodes;
        *picture = result == DecodeResult::kDecoded ? new FakePicture(100, 50, p) : nullptr;
        return result;
    }
    DecodeResult DecodeBytes(const uint8_t* bytes, uint32_t size, Picture** picture) override {
        ++decodes;
        std::u16string content(bytes, bytes + size);
        {
            LockGuard hold(mutex_);
            decoded_.push_back(u"bytes:" + content);
        }
        if (size >= 3 && content.compare(0, 3, u"PIC") == 0) {
            *picture = new FakePicture(100, 50, content);
            return DecodeResult::kDecoded;
        }
        *picture = nullptr;
        return failBytesOnDevice ? DecodeResult::kFailed : DecodeResult::kUnusable;
    }
    Picture* ColourBars() override {
        ++bars;
        return new FakePicture(320, 240, u"bars");
    }
    void ThreadStarting() override { ++threadStarts; }
    void ThreadEnding() override { ++threadEnds; }

    std::vector<std::u16string> Decoded() {
        LockGuard hold(mutex_);
        return decoded_;
    }

    std::atomic<int> decodes{0};
    std::atomic<int> bars{0};
    std::atomic<int> threadStarts{0};
    std::atomic<int> threadEnds{0};
    bool failBytesOnDevice = false;

private:
    ReentrantLock mutex_;
    std::map<std::u16string, DecodeResult> outcomes_;
    std::vector<std::u16string> decoded_;
};

// Hands out the scripted values in order, then nothing (or the last value
// again when `repeat` is set).
class ScriptedRandom final : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<uint32_t> values = {}, bool repeat = false)
        : values_(values.begin(), values.end()), repeat_(repeat) {}
    bool Draw(uint32_t* value) override {
        if (values_.empty()) return false;
        *value = values_.front();
        if (!repeat_ || values_.size() > 1) values_.pop_front();
        return true;
    }

private:
    std::deque<uint32_t> values_;
    bool repeat_;
};

// A small deterministic generator for tests that want many different picks.
class CountingRandom final : public RandomSource {
public:
    bool Draw(uint32_t* value) override {
        state_ = state_ * 1103515245u + 12345u;
        *value = state_ >> 8;
        return true;
    }

private:
    uint32_t state_ = 1;
};

// Folders and files by full path; names listed in insertion order.
class FakeFolders final : public FolderProbe {
public:
    void AddFolder(const std::u16string& path) { folders_[path]; }
    void AddFile(const std::u16string& folder, const std::u16string& name, bool isFolder = false) {
        folders_[folder].push_back({name, isFolder});
    }
    Kind Resolve(std::u16string_view path) override {
        std::u16string p(path);
        if (folders_.count(p)) return Kind::kFolder;
        if (!p.empty() && p.back() == u'\\' && folders_.count(p.substr(0, p.size() - 1))) return Kind::kFolder;
        for (auto& [folder, names] : folders_) {
            for (auto& n : names) {
                if (folder + u"\\" + n.first == p) return n.second ? Kind::kFolder : Kind::kFile;
            }
        }
        return Kind::kMissing;
    }
    void Enumerate(std::u16string_view pattern, Visit visit, void* context) override {
        patterns.emplace_back(pattern);
        std::u16string folder(pattern.substr(0, pattern.size() - 2));  // without "\*"
        auto it = folders_.find(folder);
        if (it == folders_.end()) return;
        for (auto& n : it->second) {
            if (!visit(context, n.first, n.second)) return;
        }
    }
    std::vector<std::u16string> patterns;

private:
    std::map<std::u16string, std::vector<std::pair<std::u16string, bool>>> folders_;
};

}  // namespace mr::test
