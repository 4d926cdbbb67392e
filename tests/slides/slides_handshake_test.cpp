// The pause/resume handshake on real threads: start-up rollback, the state
// acted on at every wake, and a stress run of the whole slide show with
// thousands of pauses and resumes while the loader decodes, ending with a
// quit during a pause.
#include <gtest/gtest.h>

#include <atomic>

#include "render/slides/slide_show.h"
#include "render/slides/worker_control.h"
#include "tests/slides/slides_fakes.h"

namespace mr {
namespace {

using test::LivePictures;
using test::WaitFor;

// The system's threads and events, counted, failing the n-th creation on request.
class CountingPlatform final : public ThreadPlatform {
public:
    SyncEvent* NewEvent() override {
        if (++made_ == failAt) return nullptr;
        SyncEvent* e = SystemThreadPlatform().NewEvent();
        return e ? new CountedEvent(e, live) : nullptr;
    }
    WorkerThread* NewThread(ThreadEntry entry, void* context) override {
        if (++made_ == failAt) return nullptr;
        WorkerThread* t = SystemThreadPlatform().NewThread(entry, context);
        return t ? new CountedThread(t, live) : nullptr;
    }
    int failAt = 0;         // 1-based creation to fail, 0 for none
    std::atomic<int> live{0};  // events and threads not yet deleted
    void Rewind() { made_ = 0; }

private:
    class CountedEvent final : public SyncEvent {
    public:
        CountedEvent(SyncEvent* e, std::atomic<int>& live) : e_(e), live_(live) { ++live_; }
        ~CountedEvent() override {
            delete e_;
            --live_;
        }
        void Set() override { e_->Set(); }
        void Reset() override { e_->Reset(); }
        void Wait() override { e_->Wait(); }

    private:
        SyncEvent* e_;
        std::atomic<int>& live_;
    };
    class CountedThread final : public WorkerThread {
    public:
        CountedThread(WorkerThread* t, std::atomic<int>& live) : t_(t), live_(live) { ++live_; }
        ~CountedThread() override {
            delete t_;
            --live_;
        }
        void Join() override { t_->Join(); }

    private:
        WorkerThread* t_;
        std::atomic<int>& live_;
    };
    int made_ = 0;
};

// Counts what it is woken for.
class CountingWorker final : public Worker {
public:
    void Run(WorkerControl& control) override {
        for (;;) {
            const WorkerWake wake = control.WaitForWork();
            if (wake == WorkerWake::kQuit) break;
            ++(wake == WorkerWake::kWork ? works : resumes);
        }
        ++quits;
    }
    void OnPark() override { ++parks; }
    std::atomic<int> works{0}, resumes{0}, parks{0}, quits{0};
};

class QuittingWorker final : public Worker {
public:
    void Run(WorkerControl&) override {}
};

TEST(slides_handshake, start_rolls_back_what_it_made) {
    CountingPlatform platform;
    for (int failAt : {1, 2, 3}) {  // the wake event, the acknowledge event, the thread
        platform.Rewind();
        platform.failAt = failAt;
        CountingWorker worker;
        WorkerControl control(platform);
        EXPECT_FALSE(control.Start(worker)) << failAt;
        EXPECT_FALSE(control.IsRunning());
        EXPECT_EQ(platform.live.load(), 0) << failAt;
        // Nothing to pause, resume, signal or stop: none of them waits.
        control.Pause();
        EXPECT_FALSE(control.IsPaused());
        control.Resume();
        control.Signal();
        control.Stop();
        EXPECT_EQ(worker.parks.load(), 0);
    }
    platform.Rewind();
    platform.failAt = 0;
    {
        CountingWorker worker;
        WorkerControl control(platform);
        ASSERT_TRUE(control.Start(worker));
        EXPECT_FALSE(control.Start(worker));  // one worker per control
        EXPECT_EQ(platform.live.load(), 3);
    }  // destruction stops it
    EXPECT_EQ(platform.live.load(), 0);
}

TEST(slides_handshake, the_state_is_acted_on_at_every_wake) {
    CountingWorker worker;
    WorkerControl control(SystemThreadPlatform());
    ASSERT_TRUE(control.Start(worker));
    control.Signal();
    ASSERT_TRUE(WaitFor([&] { return worker.works.load() == 1; }));

    control.Pause();
    EXPECT_TRUE(control.IsPaused());
    EXPECT_EQ(worker.parks.load(), 1);
    control.Pause();  // already paused: no second handshake
    EXPECT_EQ(worker.parks.load(), 1);
    // Wakes while parked (frames keep requesting) are not work.
    for (int i = 0; i < 50; ++i) control.Signal();
    test::SleepMs(20);
    EXPECT_EQ(worker.works.load(), 1);
    EXPECT_EQ(worker.resumes.load(), 0);

    control.Resume();
    ASSERT_TRUE(WaitFor([&] { return worker.resumes.load() == 1; }));
    control.Resume();  // not paused: nothing
    control.Signal();
    ASSERT_TRUE(WaitFor([&] { return worker.works.load() == 2; }));
    EXPECT_EQ(worker.resumes.load(), 1);

    // Many quick pauses and resumes: every pause is answered (a pause that
    // comes before the worker saw the resume finds it still parked), and
    // nothing is worked on between a pause and its resume.
    for (int i = 0; i < 2000; ++i) {
        control.Pause();
        ASSERT_TRUE(control.IsPaused());
        const int works = worker.works.load();
        control.Signal();
        control.Signal();
        ASSERT_EQ(worker.works.load(), works) << i;
        control.Resume();
    }
    EXPECT_GE(worker.parks.load(), 2);
    EXPECT_LE(worker.parks.load(), 2001);
    EXPECT_LE(worker.resumes.load(), worker.parks.load());

    // A quit during a pause ends the worker.
    control.Pause();
    control.Stop();
    EXPECT_FALSE(control.IsRunning());
    EXPECT_EQ(worker.quits.load(), 1);
}

TEST(slides_handshake, a_worker_that_ended_does_not_hold_up_a_pause) {
    QuittingWorker worker;
    WorkerControl control(SystemThreadPlatform());
    ASSERT_TRUE(control.Start(worker));
    control.Pause();  // returns although nobody acknowledges
    control.Resume();
    control.Stop();
    EXPECT_FALSE(control.IsRunning());
}

TEST(slides_handshake, stress_pauses_and_resumes_while_the_loader_decodes) {
    const int live0 = LivePictures().load();
    test::FakeFolders folders;
    for (const char16_t* folder : {u"C:\\A", u"C:\\B"}) {
        folders.AddFolder(folder);
        for (const char16_t* name : {u"1.jpg", u"2.jpg", u"3.jpg", u"4.jpg", u"bad.txt"}) {
            folders.AddFile(folder, name);
        }
    }
    test::FakeDecoder decoder;
    decoder.SetOutcome(u"C:\\A\\bad.txt", DecodeResult::kUnusable);
    decoder.SetOutcome(u"C:\\B\\bad.txt", DecodeResult::kUnusable);
    test::CountingRandom random;
    CountingPlatform platform;
    std::vector<PictureVertex> vertices(6 * 16);
    const PictureArea area{640, 480, kPlaceFit, 0};
    int framesWithPictures = 0;
    {
        SlideShow show(platform, folders, &random);
        ASSERT_TRUE(show.StartScanner(u"C:\\A"));
        ASSERT_TRUE(show.StartLoader(decoder, nullptr, true));
        EXPECT_EQ(platform.live.load(), 6);
        int32_t t = 0;
        for (int i = 0; i < 3000; ++i) {
            t += 337;
            const PictureFrame f = show.SchedulePictures(t, area, vertices.data(), 6 * 16);
            if (f.currentTriangles) ++framesWithPictures;
            if (i % 3 == 0) {
                ScopedPause pause(show.Loader());
                // Parked: the frame's request must not be served.
                const int decodes = decoder.decodes.load();
                show.SchedulePictures(t, area, vertices.data(), 6 * 16);
                EXPECT_EQ(decoder.decodes.load(), decodes);
                show.SetLoaderInputs(nullptr, i % 2 == 0);
                if (i % 9 == 0) show.ReleasePictures();
            }
            if (i % 7 == 0) show.SetImagePath(i % 14 == 0 ? u"C:\\B" : u"C:\\A");
            if (i % 101 == 0) t -= 60000;  // a seek backwards
            // Give the workers time to run now and then, so that pauses also
            // land while the loader decodes and while the scanner lists.
            if (i % 4 == 1) test::SleepMs(1);
        }
        // The show does deliver: at a fixed time a picture comes within bounded waiting.
        show.ResumeLoader();
        show.SetLoaderInputs(nullptr, true);
        EXPECT_TRUE(WaitFor([&] {
            return show.SchedulePictures(t, area, vertices.data(), 6 * 16).currentTriangles > 0;
        }));
        // Quit during a pause of both workers.
        show.PauseLoader();
        show.PauseScanner();
    }
    // Pictures were decoded during the run (how many depends on the machine's load).
    EXPECT_GT(decoder.decodes.load(), 0);
    RecordProperty("frames_with_pictures", framesWithPictures);
    EXPECT_EQ(decoder.threadStarts.load(), 1);
    EXPECT_EQ(decoder.threadEnds.load(), 1);
    EXPECT_EQ(platform.live.load(), 0);
    EXPECT_EQ(LivePictures().load(), live0);
}

}  // namespace
}  // namespace mr
