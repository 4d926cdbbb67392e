// The picture store inside the editor document: loading a document's
// pictures into the store's temporary file, the list operations with their
// history records, the time queries, the Adjust tool, clearing.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "common/file.h"
#include "editor/store/sync_document.h"
#include "lyrics/lyrics_document.h"
#include "tests/editor/app_data.h"
#include "tests/editor/picture_test_util.h"
#include "tests/editor/test_pictures.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

// The open dialog's multi-selection form: folder, names, empty string.
std::u16string FileList(std::u16string_view folder, const std::vector<std::u16string>& names) {
    std::u16string list(folder);
    list += u'\0';
    for (const auto& n : names) {
        list += n;
        list += u'\0';
    }
    list += u'\0';
    return list;
}

// A document with `n` pictures added from files (1000 ticks each), one
// action per picture so that each is one history record.
void AddFiles(SyncDocument& doc, int n) {
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(doc.AddPictureFiles(FileList(u"pics", {u"p" + std::u16string(1, char16_t(u'a' + i)) + u".png"}),
                                        doc.PictureCount()));
    }
}

std::vector<uint32_t> Durations(SyncDocument& doc) {
    std::vector<uint32_t> d;
    for (int32_t i = 0; i < doc.PictureCount(); ++i) {
        PictureInfo info;
        doc.GetPicture(i, &info);
        d.push_back(info.duration);
    }
    return d;
}

struct LoadedPictures {
    ScopedAppData appData;
    ScopedTempDir dir;
    LyricsDocument lyrics;
    SyncDocument doc;
};

// ---------------------------------------------------------------------------
// Document pictures.

TEST(editor_pictures, document_pictures_last_their_ms_over_ten_and_at_least_300_ticks) {
    LoadedPictures t;
    ASSERT_TRUE(LoadNativeFile(t.lyrics, t.dir.Path(u"in.mr"),
                               NativeFileWithPictures({{1500, MakePng()}, {12345, MakeGif()}, {2999, MakeBmp()}})));
    ASSERT_TRUE(t.doc.AddDocumentPicture(t.lyrics, 0));
    EXPECT_EQ(t.doc.PictureTotal(), 300u);
    ASSERT_TRUE(t.doc.AddDocumentPicture(t.lyrics, 1));
    ASSERT_TRUE(t.doc.AddDocumentPicture(t.lyrics, 2));
    EXPECT_EQ(DescribePictures(t.doc), (std::vector<std::string>{"0:300", "1:1234", "2:300"}));
    EXPECT_EQ(t.doc.PictureTotal(), 1834u);
    EXPECT_FALSE(t.doc.AddDocumentPicture(t.lyrics, 3));  // no such image
    EXPECT_EQ(t.doc.PictureCount(), 3);
    // Loading records nothing and leaves the document unmodified.
    EXPECT_FALSE(t.doc.CanUndo());
    EXPECT_FALSE(t.doc.IsModified());
}

TEST(editor_pictures, embedded_bytes_live_in_the_stores_own_file_until_the_document_goes) {
    ScopedAppData appData;
    ScopedTempDir dir;
    std::u16string storeFile;
    {
        LyricsDocument lyrics;
        SyncDocument doc;
        const std::u16string source = dir.Path(u"in.mr");
        ASSERT_TRUE(LoadNativeFile(lyrics, source, NativeFileWithPictures({{4000, MakeJpeg()}, {5000, MakePng()}})));
        ASSERT_TRUE(doc.AddDocumentPicture(lyrics, 0));
        ASSERT_TRUE(doc.AddDocumentPicture(lyrics, 1));
        lyrics.ClearDocument();
        // The source may now be overwritten: the store reads its own copy.
        ASSERT_TRUE(WriteFileBytes(source, std::string("overwritten")));
        EXPECT_EQ(PictureBytesOf(doc, 0), MakeJpeg());
        EXPECT_EQ(PictureBytesOf(doc, 1), MakePng());

        storeFile = doc.Pictures().TempPath();
        EXPECT_EQ(fs::ParentFolder(storeFile), appData.StoreFolder());
        EXPECT_EQ(std::u16string(fs::FileName(storeFile)).substr(0, 3), u"img");
        EXPECT_TRUE(fs::Exists(storeFile));

        PictureInfo info;
        ASSERT_TRUE(doc.GetPicture(1, &info));
        EXPECT_EQ(info.data.offset, MakeJpeg().size());
        EXPECT_EQ(info.data.size, MakePng().size());
        PictureBytes bytes;
        ASSERT_TRUE(doc.ReadPictureBytes(info.data.offset, info.data.size, &bytes));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.Data()), bytes.Size()), MakePng());
        // A read past the end of the store's file fails and hands out nothing.
        EXPECT_FALSE(doc.ReadPictureBytes(info.data.offset, info.data.size + 1, &bytes));
        EXPECT_TRUE(bytes.Empty());
    }
    EXPECT_FALSE(fs::Exists(storeFile));
}

TEST(editor_pictures, after_a_clear_the_next_embedded_picture_is_written_at_offset_0) {
    LoadedPictures t;
    ASSERT_TRUE(LoadNativeFile(t.lyrics, t.dir.Path(u"in.mr"),
                               NativeFileWithPictures({{4000, MakeGif()}, {5000, MakeBmp()}})));
    ASSERT_TRUE(t.doc.AddDocumentPicture(t.lyrics, 0));
    ASSERT_TRUE(t.doc.AddDocumentPicture(t.lyrics, 1));
    const std::u16string storeFile = t.doc.Pictures().TempPath();
    t.doc.ClearSyncDocument();
    EXPECT_EQ(t.doc.PictureCount(), 0);
    EXPECT_EQ(t.doc.PictureTotal(), 0u);
    EXPECT_EQ(ReadFileBytes(storeFile).size(), 0u);  // emptied, kept

    ASSERT_TRUE(t.doc.AddDocumentPicture(t.lyrics, 1));
    PictureInfo info;
    ASSERT_TRUE(t.doc.GetPicture(0, &info));
    EXPECT_EQ(info.data.offset, 0u);
    EXPECT_EQ(info.ordinal, 0u);  // ordinals start again
    EXPECT_EQ(t.doc.Pictures().TempPath(), storeFile);
    EXPECT_EQ(PictureBytesOf(t.doc, 0), MakeBmp());
}

bool FailCreateTemp(fs::Operation op, void*) {
    return op == fs::Operation::CreateTemp;
}

TEST(editor_pictures, without_a_temporary_file_embedded_pictures_fail_and_external_ones_load) {
    LoadedPictures t;
    ASSERT_TRUE(LoadNativeFile(t.lyrics, t.dir.Path(u"in.mr"), NativeFileWithPictures({{4000, MakePng()}})));
    uint32_t pathAt = 0;
    ASSERT_TRUE(t.lyrics.AddPoolText(u"/pictures/outside.png", &pathAt));
    ASSERT_NE(t.lyrics.AddSlideImage(kSlideExternal, 1, 7000, pathAt), nullptr);

    fs::SetFaultHook(FailCreateTemp, nullptr);
    const bool embedded = t.doc.AddDocumentPicture(t.lyrics, 0);
    const bool external = t.doc.AddDocumentPicture(t.lyrics, 1);
    fs::SetFaultHook(nullptr, nullptr);
    EXPECT_FALSE(embedded);
    EXPECT_TRUE(external);
    EXPECT_EQ(DescribePictures(t.doc), (std::vector<std::string>{"0:700!"}));
    PictureInfo info;
    ASSERT_TRUE(t.doc.GetPicture(0, &info));
    EXPECT_EQ(std::u16string(info.path), u"/pictures/outside.png");
    EXPECT_EQ(t.doc.PictureTotal(), 700u);

    // Once the file can be made, embedded pictures load again.
    EXPECT_TRUE(t.doc.AddDocumentPicture(t.lyrics, 0));
    EXPECT_EQ(PictureBytesOf(t.doc, 1), MakePng());
}

// ---------------------------------------------------------------------------
// Adding, removing and moving, with undo and redo.

TEST(editor_pictures, added_files_take_the_next_ordinals_and_make_one_record) {
    SyncDocument doc;
    AddFiles(doc, 4);
    ASSERT_TRUE(doc.AddPictureFiles(FileList(u"/my/pics", {u"x.jpg", u"y.gif", u"z.bmp"}), 2));
    EXPECT_EQ(DescribePictures(doc), (std::vector<std::string>{"0:1000!", "1:1000!", "4:1000!", "5:1000!",
                                                              "6:1000!", "2:1000!", "3:1000!"}));
    EXPECT_EQ(doc.PictureTotal(), 7000u);
    PictureInfo info;
    ASSERT_TRUE(doc.GetPicture(3, &info));
    EXPECT_EQ(std::u16string(info.path), fs::Join(u"/my/pics", u"y.gif"));
    EXPECT_EQ(info.flags, kSlideExternal);

    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.PictureCount(), 4);
    EXPECT_EQ(doc.PictureTotal(), 4000u);
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(doc.PictureCount(), 7);
    EXPECT_EQ(doc.PictureTotal(), 7000u);
    ASSERT_TRUE(doc.GetPicture(4, &info));
    EXPECT_EQ(std::u16string(info.path), fs::Join(u"/my/pics", u"z.bmp"));
}

class RecordingListener : public HistoryListener {
public:
    bool RecordUndone(const EditRecord& r) override {
        records.push_back(r);
        return true;
    }
    bool RecordRedone(const EditRecord& r) override {
        records.push_back(r);
        return true;
    }
    std::vector<EditRecord> records;
};

TEST(editor_pictures, records_carry_positions_counts_and_the_durations_moved) {
    SyncDocument doc;
    RecordingListener listener;
    doc.SetHistoryListener(&listener);
    AddFiles(doc, 4);
    ASSERT_TRUE(doc.AddPictureFiles(FileList(u"f", {u"a", u"b", u"c"}), 2));
    ASSERT_TRUE(doc.Undo());
    ASSERT_EQ(listener.records.size(), 1u);
    const EditRecord add = listener.records[0];
    EXPECT_EQ(add.Kind(), kEditPictures);
    EXPECT_EQ(add.subKind, 1);
    EXPECT_EQ(add.change.deletePos, -1);
    EXPECT_EQ(add.change.deleteCount, 0);
    EXPECT_EQ(add.change.insertPos, 2);
    EXPECT_EQ(add.change.insertCount, 3);
    EXPECT_EQ(add.change.word5, 0);
    EXPECT_EQ(add.change.word6, 3000);

    ASSERT_TRUE(doc.AddPictureFiles(FileList(u"f", {u"long"}), 1));
    ASSERT_TRUE(doc.BeginPictureAdjust(1500));  // picture 1
    ASSERT_TRUE(doc.DragPictureAdjust(3000));   // its end: 2000 ticks
    ASSERT_TRUE(doc.RemovePictures(1, 2));
    ASSERT_TRUE(doc.Undo());
    const EditRecord remove = listener.records.back();
    EXPECT_EQ(remove.change.deletePos, 1);
    EXPECT_EQ(remove.change.deleteCount, 2);
    EXPECT_EQ(remove.change.insertPos, -1);
    EXPECT_EQ(remove.change.word5, 3000);
    EXPECT_EQ(remove.change.word6, 0);
    ASSERT_TRUE(doc.MovePictures(0, 2, 2));
    ASSERT_TRUE(doc.Undo());
    const EditRecord move = listener.records.back();
    EXPECT_EQ(move.change.deletePos, 0);
    EXPECT_EQ(move.change.deleteCount, 2);
    EXPECT_EQ(move.change.insertPos, 2);
    EXPECT_EQ(move.change.insertCount, 2);
    EXPECT_EQ(move.change.word5, 3000);
    EXPECT_EQ(move.change.word6, 3000);
    doc.SetHistoryListener(nullptr);
}

TEST(editor_pictures, arguments_outside_the_list_change_nothing_and_record_nothing) {
    SyncDocument doc;
    AddFiles(doc, 5);
    EXPECT_FALSE(doc.RemovePictures(4, 2));
    EXPECT_FALSE(doc.RemovePictures(-1, 1));
    EXPECT_FALSE(doc.RemovePictures(0, 0));
    EXPECT_FALSE(doc.MovePictures(0, 4, 2));
    EXPECT_FALSE(doc.AddPictureFiles(FileList(u"f", {u"a"}), 6));
    EXPECT_FALSE(doc.AddPictureFiles(FileList(u"f", {}), 0));
    EXPECT_EQ(doc.PictureCount(), 5);
    EXPECT_EQ(doc.PictureTotal(), 5000u);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(doc.PictureCount(), 4);  // the last real edit
}

TEST(editor_pictures, picture_edits_modify_the_document_and_undo_returns_to_the_saved_state) {
    SyncDocument doc;
    AddFiles(doc, 2);
    doc.MarkSaved();
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(doc.RemovePictures(0, 1));
    EXPECT_TRUE(doc.IsModified());
    ASSERT_TRUE(doc.Undo());
    EXPECT_FALSE(doc.IsModified());
    // The state report of the preview is not an edit.
    PictureInfo info;
    ASSERT_TRUE(doc.GetPicture(0, &info));
    ASSERT_TRUE(doc.SetPictureState(0, info.ordinal, true));
    EXPECT_FALSE(doc.IsModified());
}

TEST(editor_pictures, a_state_report_with_a_stale_ordinal_changes_nothing) {
    SyncDocument doc;
    AddFiles(doc, 3);
    ASSERT_TRUE(doc.RemovePictures(0, 1));  // picture 0 is now ordinal 1
    EXPECT_FALSE(doc.SetPictureState(0, 0, false));
    PictureInfo info;
    ASSERT_TRUE(doc.GetPicture(0, &info));
    EXPECT_EQ(info.flags, kSlideExternal);
    EXPECT_FALSE(doc.SetPictureState(5, 1, true));

    ASSERT_TRUE(doc.SetPictureState(0, 1, false));
    ASSERT_TRUE(doc.GetPicture(0, &info));
    EXPECT_EQ(info.flags, kSlideExternal | kSlideInvalid);
    ASSERT_TRUE(doc.SetPictureState(0, 1, true));
    ASSERT_TRUE(doc.GetPicture(0, &info));
    EXPECT_EQ(info.flags, kSlideExternal | kSlideValid);
}

// ---------------------------------------------------------------------------
// Time queries.

TEST(editor_pictures, a_time_at_the_total_lies_past_the_last_picture) {
    SyncDocument doc;
    EXPECT_EQ(doc.FindPictureAt(0), -1);
    AddFiles(doc, 3);
    EXPECT_EQ(doc.FindPictureAt(2999), 2);
    EXPECT_EQ(doc.FindPictureAt(3000), -1);
    EXPECT_EQ(doc.FindPictureAt(-1), -1);
    EXPECT_EQ(doc.FindPictureAt(999), 0);  // walking back from picture 2
    EXPECT_EQ(doc.PictureStartTime(3), 3000);  // the total
    EXPECT_EQ(doc.PictureStartTime(4), -1);
}

// Shrinks picture k to 300 ticks with the Adjust tool: press inside it,
// drag past its end (the end follows), then far to the left.
void ShrinkTo300(SyncDocument& doc, int32_t k) {
    const int32_t start = static_cast<int32_t>(doc.PictureStartTime(k));
    PictureInfo info;
    ASSERT_TRUE(doc.GetPicture(k, &info));
    ASSERT_TRUE(doc.BeginPictureAdjust(start + 1));
    ASSERT_TRUE(doc.DragPictureAdjust(start + static_cast<int32_t>(info.duration) + 1));
    ASSERT_TRUE(doc.DragPictureAdjust(0));
}

TEST(editor_pictures, adjust_applies_to_the_ends_and_to_middles_with_room) {
    SyncDocument doc;
    AddFiles(doc, 4);
    ShrinkTo300(doc, 1);
    ShrinkTo300(doc, 2);
    ASSERT_EQ(Durations(doc), (std::vector<uint32_t>{1000, 300, 300, 1000}));
    EXPECT_TRUE(doc.CanAdjustPictureAt(0));     // first
    EXPECT_TRUE(doc.CanAdjustPictureAt(2000));  // last
    EXPECT_TRUE(doc.CanAdjustPictureAt(1100));  // 1000 + 300 + 300 > 900
    EXPECT_TRUE(doc.CanAdjustPictureAt(1400));
    EXPECT_FALSE(doc.CanAdjustPictureAt(2600));  // past the end
    EXPECT_FALSE(doc.CanAdjustPictureAt(-5));

    SyncDocument tight;
    AddFiles(tight, 5);
    for (int32_t k = 1; k <= 3; ++k) ShrinkTo300(tight, k);
    ASSERT_EQ(Durations(tight), (std::vector<uint32_t>{1000, 300, 300, 300, 1000}));
    EXPECT_FALSE(tight.CanAdjustPictureAt(1400));  // picture 2: 300 + 300 + 300 = 900
    EXPECT_FALSE(tight.BeginPictureAdjust(1400));
    EXPECT_TRUE(tight.CanAdjustPictureAt(1700));  // picture 3: 300 + 300 + 1000
}

TEST(editor_pictures, dragging_a_boundary_left_shortens_the_picture_before_to_300_at_least) {
    SyncDocument doc;
    AddFiles(doc, 5);
    const int64_t s3 = doc.PictureStartTime(3);  // 3000
    ASSERT_TRUE(doc.BeginPictureAdjust(static_cast<int32_t>(s3) + 10));
    ASSERT_TRUE(doc.DragPictureAdjust(2500));  // the boundary at 3000 moves to 2500
    EXPECT_EQ(Durations(doc), (std::vector<uint32_t>{1000, 1000, 500, 1000, 1000}));
    EXPECT_EQ(doc.PictureStartTime(3), 2500);
    ASSERT_TRUE(doc.DragPictureAdjust(100));  // picture 2 keeps 300
    EXPECT_EQ(Durations(doc), (std::vector<uint32_t>{1000, 1000, 300, 1000, 1000}));
    EXPECT_EQ(doc.PictureStartTime(3), 2300);
    EXPECT_EQ(doc.PictureStartTime(4), 3300);
    EXPECT_EQ(doc.PictureTotal(), 4300u);
    ASSERT_TRUE(doc.DragPictureAdjust(3700));  // the same boundary, now to the right
    EXPECT_EQ(Durations(doc), (std::vector<uint32_t>{1000, 1000, 1700, 1000, 1000}));
    EXPECT_EQ(doc.PictureTotal(), 5700u);

    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Durations(doc), (std::vector<uint32_t>{1000, 1000, 1000, 1000, 1000}));
    EXPECT_EQ(doc.PictureTotal(), 5000u);
    EXPECT_FALSE(doc.DragPictureAdjust(100));  // the adjust ended with the undo
    ASSERT_TRUE(doc.Redo());
    EXPECT_EQ(Durations(doc), (std::vector<uint32_t>{1000, 1000, 1700, 1000, 1000}));
    EXPECT_EQ(doc.PictureTotal(), 5700u);
}

TEST(editor_pictures, dragging_an_end_sets_the_duration_with_300_at_least) {
    SyncDocument doc;
    AddFiles(doc, 2);
    ASSERT_TRUE(doc.BeginPictureAdjust(100));  // picture 0: no boundary before it
    ASSERT_TRUE(doc.DragPictureAdjust(-50));   // left of the start: nothing to move
    ASSERT_TRUE(doc.DragPictureAdjust(500));   // inside: still undecided
    EXPECT_EQ(Durations(doc), (std::vector<uint32_t>{1000, 1000}));
    ASSERT_TRUE(doc.DragPictureAdjust(1200));  // past the end: the end follows
    EXPECT_EQ(Durations(doc), (std::vector<uint32_t>{1200, 1000}));
    ASSERT_TRUE(doc.DragPictureAdjust(50));
    EXPECT_EQ(Durations(doc), (std::vector<uint32_t>{300, 1000}));
    EXPECT_EQ(doc.PictureTotal(), 1300u);
    // A new edit ends the drag.
    ASSERT_TRUE(doc.AddPictureFiles(FileList(u"f", {u"n"}), 2));
    EXPECT_FALSE(doc.DragPictureAdjust(5000));
}

// ---------------------------------------------------------------------------
// Random edits against a plain model: after every step and across undo and
// redo, the list, the total and the time queries agree with it.

struct Pic {
    uint32_t ordinal, duration;
    bool operator==(const Pic&) const = default;
};

class PictureModel {
public:
    std::vector<std::vector<Pic>> states{{}};
    size_t cur = 0, redoLimit = 1;
    uint32_t nextOrdinal = 0;

    const std::vector<Pic>& Now() const { return states[cur]; }
    void Push(std::vector<Pic> s) {
        states.resize(cur + 1);
        states.push_back(std::move(s));
        ++cur;
        redoLimit = cur + 1;
    }
};

void ExpectMatches(SyncDocument& doc, const std::vector<Pic>& want, std::mt19937& rng) {
    ASSERT_EQ(doc.PictureCount(), static_cast<int32_t>(want.size()));
    uint32_t start = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        PictureInfo info;
        ASSERT_TRUE(doc.GetPicture(static_cast<int32_t>(i), &info));
        ASSERT_EQ((Pic{info.ordinal, info.duration}), want[i]) << "picture " << i;
        ASSERT_EQ(doc.PictureStartTime(static_cast<int32_t>(i)), start);
        start += want[i].duration;
    }
    ASSERT_EQ(doc.PictureTotal(), start);
    for (int k = 0; k < 4 && start > 0; ++k) {
        const int32_t t = static_cast<int32_t>(rng() % (start + 100));
        int32_t expected = -1;
        uint32_t s = 0;
        for (size_t i = 0; i < want.size(); ++i) {
            if (static_cast<uint32_t>(t) >= s && static_cast<uint32_t>(t) < s + want[i].duration) {
                expected = static_cast<int32_t>(i);
            }
            s += want[i].duration;
        }
        ASSERT_EQ(doc.FindPictureAt(t), expected) << "t " << t;
    }
}

TEST(editor_pictures, random_edits_undo_and_redo_agree_with_a_model) {
    std::mt19937 rng(20240611);
    SyncDocument doc;
    PictureModel m;
    for (int step = 0; step < 3000; ++step) {
        const int n = static_cast<int>(m.Now().size());
        const int op = static_cast<int>(rng() % 10);
        std::vector<Pic> next = m.Now();
        if (op <= 1 || n == 0) {
            const int count = 1 + static_cast<int>(rng() % 3);
            const int at = static_cast<int>(rng() % (n + 1));
            std::vector<std::u16string> names(static_cast<size_t>(count), u"p.png");
            ASSERT_TRUE(doc.AddPictureFiles(FileList(u"d", names), at));
            std::vector<Pic> added;
            for (int k = 0; k < count; ++k) added.push_back(Pic{m.nextOrdinal++, 1000});
            next.insert(next.begin() + at, added.begin(), added.end());
            m.Push(next);
        } else if (op == 2) {
            const int at = static_cast<int>(rng() % n);
            const int count = 1 + static_cast<int>(rng() % std::min(3, n - at));
            ASSERT_TRUE(doc.RemovePictures(at, count));
            next.erase(next.begin() + at, next.begin() + at + count);
            m.Push(next);
        } else if (op == 3) {
            const int from = static_cast<int>(rng() % n);
            const int count = 1 + static_cast<int>(rng() % std::min(2, n - from));
            const int to = static_cast<int>(rng() % (n - count + 1));
            ASSERT_TRUE(doc.MovePictures(from, to, count));
            if (from != to) {
                std::vector<Pic> moved(next.begin() + from, next.begin() + from + count);
                next.erase(next.begin() + from, next.begin() + from + count);
                next.insert(next.begin() + to, moved.begin(), moved.end());
                m.Push(next);
            }
        } else if (op <= 5) {
            const int32_t total = static_cast<int32_t>(doc.PictureTotal());
            const int32_t t = static_cast<int32_t>(rng() % total);
            if (!doc.CanAdjustPictureAt(t)) {
                ASSERT_FALSE(doc.BeginPictureAdjust(t));
                continue;
            }
            const int i = doc.FindPictureAt(t);
            ASSERT_TRUE(doc.BeginPictureAdjust(t));
            for (int k = 0; k < 3; ++k) {
                ASSERT_TRUE(doc.DragPictureAdjust(static_cast<int32_t>(rng() % (total + 2000)) - 500));
            }
            // Only the pressed picture and the one before it may change, to
            // no less than 300 ticks; ordinals stay.
            std::vector<Pic> after;
            for (int32_t k = 0; k < doc.PictureCount(); ++k) {
                PictureInfo info;
                doc.GetPicture(k, &info);
                after.push_back(Pic{info.ordinal, info.duration});
            }
            ASSERT_EQ(after.size(), next.size());
            for (size_t k = 0; k < after.size(); ++k) {
                ASSERT_EQ(after[k].ordinal, next[k].ordinal);
                if (static_cast<int>(k) != i && static_cast<int>(k) != i - 1) {
                    ASSERT_EQ(after[k].duration, next[k].duration);
                }
                ASSERT_GE(after[k].duration, 300u);
            }
            m.Push(after);
        } else if (op <= 7) {
            if (m.cur == 0) {
                ASSERT_FALSE(doc.CanUndo());
                continue;
            }
            ASSERT_TRUE(doc.Undo());
            --m.cur;
        } else {
            if (m.cur + 1 >= m.redoLimit) {
                ASSERT_FALSE(doc.CanRedo());
                continue;
            }
            ASSERT_TRUE(doc.Redo());
            ++m.cur;
        }
        ExpectMatches(doc, m.Now(), rng);
        if (HasFatalFailure()) {
            ADD_FAILURE() << "at step " << step;
            return;
        }
    }
}

}  // namespace
}  // namespace mr::test
