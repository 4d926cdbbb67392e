// The save flow: native files with their pictures, the picture writer's
// choices and progress, when the document counts as saved, and faults at
// every step (temporary file, open, each write, the picture dialog's cancel,
// the final move), none of which may touch the target or leave a temporary
// file behind. Also the open flow's picture copy and its cancel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/file.h"
#include "editor/files/open_flow.h"
#include "editor/files/save_flow.h"
#include "lyrics/load_lyrics_file.h"
#include "lyrics/text_decode.h"
#include "tests/editor/app_data.h"
#include "tests/editor/editor_test_util.h"
#include "tests/editor/picture_test_util.h"
#include "tests/editor/test_pictures.h"
#include "tests/support/test_support.h"

namespace mr::test {
namespace {

// Answers false for bytes that begin with "BAD", and counts its calls.
class ScriptedDecoder final : public PictureDecoder {
public:
    bool DecodeBytes(const uint8_t* bytes, uint32_t size) override {
        ++calls;
        return !(size >= 3 && bytes[0] == 'B' && bytes[1] == 'A' && bytes[2] == 'D');
    }
    bool DecodeFile(std::u16string_view path) override {
        ++calls;
        const std::vector<uint8_t> b = ReadFileBytes(path);
        return !b.empty() && DecodeBytes(b.data(), static_cast<uint32_t>(b.size()));
    }
    int calls = 0;
};

// Records the percentages and cancels at the n-th report (never when −1).
class Dialog final : public ProgressSink {
public:
    explicit Dialog(int cancelAt = -1) : cancelAt_(cancelAt) {}
    bool Progress(uint32_t percent) override {
        seen.push_back(percent);
        return static_cast<int>(seen.size()) - 1 != cancelAt_;
    }
    std::vector<uint32_t> seen;

private:
    int cancelAt_;
};

// A document opened from a native file with embedded pictures, in a folder
// that also holds the target of the saves.
class SaveFlow : public ::testing::Test {
protected:
    void Open(const std::vector<Picture>& pictures) {
        const std::u16string in = dir_.Path(u"in.mr");
        ASSERT_TRUE(WriteFileBytes(in, NativeFileWithPictures(pictures)));
        LyricsDocument lyrics;
        OpenReport report;
        ASSERT_EQ(OpenLyricsFile(doc_, lyrics, in, kLyricsKindNative, nullptr, &report), OpenStatus::kOpened);
        ASSERT_EQ(report.picturesFailed, 0u);
        ASSERT_TRUE(fs::Remove(in));
        // An edit, so that the document is modified until a save marks it.
        ASSERT_TRUE(doc_.InsertText(2, u" la", 3));
    }
    SaveStatus Save(int kind, PictureDecoder* decoder = nullptr, ProgressSink* progress = nullptr,
                    SaveReport* report = nullptr, int encoding = kEncodingUtf8) {
        SaveOptions o;
        o.kind = kind;
        o.encoding = encoding;
        o.fields = SaveFields{u"Title", u"", u"", false};
        o.decoder = decoder;
        o.progress = progress;
        return SaveLyricsFile(doc_, Target(), o, report);
    }
    std::u16string Target() const { return dir_.Path(u"target.mr"); }
    std::vector<uint8_t> TargetBytes() const { return ReadFileBytes(Target()); }

    ScopedAppData appData_;
    ScopedTempDir dir_;
    SyncDocument doc_;
};

TEST_F(SaveFlow, a_native_save_keeps_every_picture_that_decodes_byte_for_byte) {
    Open({{4000, MakePng()}, {5000, MakeCorruptPicture()}, {6000, MakeJpeg()}, {7000, MakeGif()}, {8000, MakeBmp()}});
    SaveReport report;
    ASSERT_EQ(Save(kLyricsKindNative, nullptr, nullptr, &report), SaveStatus::kSaved);
    EXPECT_EQ(report.pictures.written, 4u);
    EXPECT_EQ(report.pictures.skipped, 1u);
    EXPECT_TRUE(report.markedSaved);
    EXPECT_FALSE(doc_.IsModified());

    const std::vector<uint8_t> file = TargetBytes();
    EXPECT_EQ(ChunkTags(file), (std::vector<std::string>{"INFO", "TEXT", "SPT0", "TSP0", "IMG0"}));
    EXPECT_EQ(PictureRecords(file), (std::vector<PictureRecord>{
                                        {4000, MakePng()}, {6000, MakeJpeg()}, {7000, MakeGif()}, {8000, MakeBmp()}}));
    LyricsDocument back;
    ASSERT_TRUE(LoadLyricsFile(back, Target(), kLyricsKindNative, 1));
    EXPECT_EQ(back.GetSlideImageCount(), 4u);
    EXPECT_EQ(back.GetSlideShowDuration(), 25000u);
    EXPECT_EQ(DescribeInfo(back), "Title||");
    back.ClearDocument();
    EXPECT_EQ(dir_.List(), (std::vector<std::u16string>{u"target.mr"}));
}

TEST_F(SaveFlow, external_pictures_are_read_from_their_files_and_missing_ones_are_left_out) {
    Open({});
    ASSERT_TRUE(WriteFileBytes(dir_.Path(u"one.gif"), MakeGif()));
    ASSERT_TRUE(WriteFileBytes(dir_.Path(u"two.bmp"), MakeBmp()));
    std::u16string list = dir_.Path();
    for (const char16_t* name : {u"one.gif", u"gone.png", u"two.bmp"}) {
        list += u'\0';
        list += name;
    }
    list += std::u16string(2, u'\0');
    ASSERT_TRUE(doc_.AddPictureFiles(list, 0));
    SaveReport report;
    ASSERT_EQ(Save(kLyricsKindNativeAlt, nullptr, nullptr, &report), SaveStatus::kSaved);
    EXPECT_EQ(PictureRecords(TargetBytes()),
              (std::vector<PictureRecord>{{10000, MakeGif()}, {10000, MakeBmp()}}));
    EXPECT_EQ(report.pictures.skipped, 1u);
}

TEST_F(SaveFlow, pictures_marked_failed_are_skipped_and_marked_decoded_are_not_checked_again) {
    Open({{4000, "BAD but marked decoded"}, {5000, MakePng()}, {6000, MakeGif()}});
    PictureInfo info;
    ASSERT_TRUE(doc_.GetPicture(0, &info));
    ASSERT_TRUE(doc_.SetPictureState(0, info.ordinal, true));
    ASSERT_TRUE(doc_.GetPicture(2, &info));
    ASSERT_TRUE(doc_.SetPictureState(2, info.ordinal, false));
    ScriptedDecoder decoder;
    ASSERT_EQ(Save(kLyricsKindNative, &decoder), SaveStatus::kSaved);
    EXPECT_EQ(decoder.calls, 1);  // picture 1 only
    EXPECT_EQ(PictureRecords(TargetBytes()),
              (std::vector<PictureRecord>{{4000, "BAD but marked decoded"}, {5000, MakePng()}}));
}

TEST_F(SaveFlow, with_no_picture_left_the_file_has_no_picture_chunk) {
    Open({{4000, "BAD one"}, {5000, "BAD two"}});
    ScriptedDecoder decoder;
    SaveReport report;
    ASSERT_EQ(Save(kLyricsKindNative, &decoder, nullptr, &report), SaveStatus::kSaved);
    EXPECT_EQ(report.pictures.skipped, 2u);
    bool found = true;
    PictureRecords(TargetBytes(), &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(ChunkTags(TargetBytes()), (std::vector<std::string>{"INFO", "TEXT", "SPT0", "TSP0"}));
}

TEST_F(SaveFlow, the_document_counts_as_saved_only_when_the_file_kept_everything) {
    Open({{4000, MakePng()}});
    SaveReport report;
    // LRC holds no pictures: still modified. (LRC with line stamps never
    // keeps the word timing.)
    ASSERT_EQ(Save(kLyricsKindLrc, nullptr, nullptr, &report), SaveStatus::kSaved);
    EXPECT_FALSE(report.markedSaved);
    EXPECT_TRUE(doc_.IsModified());
    ASSERT_TRUE(doc_.RemovePictures(0, 1));
    ASSERT_EQ(Save(kLyricsKindLrcLines, nullptr, nullptr, &report), SaveStatus::kSaved);
    EXPECT_TRUE(doc_.IsModified());
    ASSERT_EQ(Save(kLyricsKindLrc, nullptr, nullptr, &report), SaveStatus::kSaved);
    EXPECT_TRUE(report.markedSaved);
    EXPECT_FALSE(doc_.IsModified());

    // Untimed text is not written to LRC, so the document stays modified.
    ASSERT_TRUE(doc_.InsertText(doc_.CellCount(), u"\runtimed", 8));
    ASSERT_EQ(Save(kLyricsKindLrc, nullptr, nullptr, &report), SaveStatus::kSaved);
    EXPECT_TRUE(doc_.IsModified());
    ASSERT_TRUE(doc_.Undo());
    // Nor does an ANSI file that had to replace a character.
    ASSERT_TRUE(doc_.InsertText(0, u"\u4E2D", 1));
    ASSERT_EQ(Save(kLyricsKindLrc, nullptr, nullptr, &report, kEncodingAnsi), SaveStatus::kSaved);
    EXPECT_TRUE(report.lrc.defaultCharUsed);
    EXPECT_TRUE(doc_.IsModified());
    ASSERT_EQ(Save(kLyricsKindLrc, nullptr, nullptr, &report, kEncodingUtf16BE), SaveStatus::kSaved);
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_EQ(dir_.List(), (std::vector<std::u16string>{u"target.mr"}));
}

TEST_F(SaveFlow, kinds_the_editor_does_not_write_are_refused) {
    Open({});
    EXPECT_EQ(Save(kLyricsKindText), SaveStatus::kBadKind);
    EXPECT_EQ(Save(kLyricsKindProject), SaveStatus::kBadKind);
    EXPECT_TRUE(dir_.List().empty());
}

// ---------------------------------------------------------------------------
// Faults: the n-th call of one file operation fails.

struct Fault {
    fs::Operation op;
    int nth;  // 1 for the first call
    int seen = 0;
};

bool FailNth(fs::Operation op, void* context) {
    auto* f = static_cast<Fault*>(context);
    return op == f->op && ++f->seen == f->nth;
}

class ScopedFault {
public:
    ScopedFault(fs::Operation op, int nth) : fault_{op, nth} { fs::SetFaultHook(FailNth, &fault_); }
    ~ScopedFault() { fs::SetFaultHook(nullptr, nullptr); }
    int Seen() const { return fault_.seen; }

private:
    Fault fault_;
};

const std::string kOldTarget = "the target as it was before the save";

TEST_F(SaveFlow, a_fault_at_any_step_leaves_the_target_as_it_was_and_no_temporary_file) {
    Open({{4000, MakePng()}, {5000, MakeJpeg()}, {6000, MakeGif()}});
    const std::vector<uint8_t> old(kOldTarget.begin(), kOldTarget.end());
    struct Case {
        int kind;
        fs::Operation op;
        int nth;
    };
    std::vector<Case> cases;
    for (int kind : {kLyricsKindNative, kLyricsKindLrc, kLyricsKindLrcLines}) {
        cases.push_back({kind, fs::Operation::CreateTemp, 1});
        cases.push_back({kind, fs::Operation::Open, 1});
        cases.push_back({kind, fs::Operation::ReplaceMove, 1});
        cases.push_back({kind, fs::Operation::Write, 1});
    }
    // The native file: the text chunks, the picture chunk's head, each
    // record's header and bytes, the chunk size and the header's size field.
    for (int nth = 2; nth <= 10; ++nth) cases.push_back({kLyricsKindNative, fs::Operation::Write, nth});

    for (const Case& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + ", operation " + std::to_string(static_cast<int>(c.op)) +
                     ", call " + std::to_string(c.nth));
        ASSERT_TRUE(WriteFileBytes(Target(), old));
        SaveStatus status;
        int seen;
        {
            ScopedFault fault(c.op, c.nth);
            status = Save(c.kind);
            seen = fault.Seen();
        }
        ASSERT_GE(seen, c.nth) << "the fault was never reached";
        EXPECT_NE(status, SaveStatus::kSaved);
        EXPECT_EQ(TargetBytes(), old);
        EXPECT_EQ(dir_.List(), (std::vector<std::u16string>{u"target.mr"}));
        EXPECT_TRUE(doc_.IsModified());
    }
    // Without a fault the same save goes through.
    ASSERT_EQ(Save(kLyricsKindNative), SaveStatus::kSaved);
    EXPECT_NE(TargetBytes(), old);
}

TEST_F(SaveFlow, cutting_back_an_empty_picture_chunk_can_fail_too) {
    Open({{4000, "BAD"}});
    ASSERT_TRUE(WriteFileBytes(Target(), kOldTarget));
    ScriptedDecoder decoder;
    {
        ScopedFault fault(fs::Operation::SetEnd, 1);
        EXPECT_EQ(Save(kLyricsKindNative, &decoder), SaveStatus::kWriteFailed);
    }
    EXPECT_EQ(TargetBytes(), std::vector<uint8_t>(kOldTarget.begin(), kOldTarget.end()));
    EXPECT_EQ(dir_.List(), (std::vector<std::u16string>{u"target.mr"}));
}

TEST_F(SaveFlow, cancelling_the_picture_dialog_leaves_the_target_unchanged) {
    Open({{4000, MakePng()}, {5000, MakeGif()}, {6000, MakeBmp()}});
    Dialog progress;
    ASSERT_EQ(Save(kLyricsKindNative, nullptr, &progress), SaveStatus::kSaved);
    EXPECT_EQ(progress.seen, (std::vector<uint32_t>{0, 33, 66}));
    ASSERT_TRUE(doc_.InsertText(0, u"x", 1));
    for (int at = 0; at < 3; ++at) {
        ASSERT_TRUE(WriteFileBytes(Target(), kOldTarget));
        Dialog cancel(at);
        EXPECT_EQ(Save(kLyricsKindNative, nullptr, &cancel), SaveStatus::kCancelled);
        EXPECT_EQ(cancel.seen.size(), static_cast<size_t>(at + 1));
        EXPECT_EQ(TargetBytes(), std::vector<uint8_t>(kOldTarget.begin(), kOldTarget.end()));
        EXPECT_EQ(dir_.List(), (std::vector<std::u16string>{u"target.mr"}));
        EXPECT_TRUE(doc_.IsModified());
    }
}

TEST_F(SaveFlow, a_new_target_is_not_created_when_the_save_fails) {
    Open({});
    {
        ScopedFault fault(fs::Operation::Write, 1);
        EXPECT_EQ(Save(kLyricsKindLrc), SaveStatus::kWriteFailed);
    }
    EXPECT_TRUE(dir_.List().empty());
    SaveOptions o;
    EXPECT_EQ(SaveLyricsFile(doc_, dir_.Path(u"no such folder/x.mr"), o), SaveStatus::kTempFile);
}

// ---------------------------------------------------------------------------
// The open flow.

TEST_F(SaveFlow, opening_copies_the_pictures_and_a_cancel_clears_the_document) {
    const std::u16string in = dir_.Path(u"pics.mr");
    ASSERT_TRUE(WriteFileBytes(in, MrFile()
                                       .Info("T", "A", "B")
                                       .Texts({"la la"})
                                       .Sync({LineEntry(0), 3}, true)
                                       .Times({{1000, 2000}, {2000, 2500}})
                                       .Pictures({{4000, MakePng()}, {5000, MakeGif()}, {6000, MakeBmp()}})
                                       .Bytes()));
    LyricsDocument lyrics;
    OpenReport report;
    Dialog progress;
    ASSERT_EQ(OpenLyricsFile(doc_, lyrics, in, kLyricsKindNative, &progress, &report), OpenStatus::kOpened);
    EXPECT_EQ(progress.seen, (std::vector<uint32_t>{0, 33, 66}));
    EXPECT_EQ(report.pictures, 3u);
    EXPECT_EQ(report.fields.title, u"T");
    EXPECT_EQ(report.fields.album, u"B");
    EXPECT_TRUE(report.fields.simple);
    EXPECT_EQ(lyrics.GetImageSource(), nullptr);  // the lyrics document was let go
    EXPECT_EQ(Marked(doc_), u"la |la");
    EXPECT_EQ(DescribePictures(doc_), (std::vector<std::string>{"0:400", "1:500", "2:600"}));
    EXPECT_FALSE(doc_.IsModified());

    Dialog cancel(1);
    EXPECT_EQ(OpenLyricsFile(doc_, lyrics, in, kLyricsKindNative, &cancel, &report), OpenStatus::kCancelled);
    EXPECT_EQ(doc_.PictureCount(), 0);
    EXPECT_EQ(doc_.CellCount(), 0);
    EXPECT_EQ(doc_.TimingCount(), 0);
    EXPECT_EQ(OpenLyricsFile(doc_, lyrics, dir_.Path(u"missing.mr"), kLyricsKindNative, nullptr, &report),
              OpenStatus::kReadFailed);
}

}  // namespace
}  // namespace mr::test
