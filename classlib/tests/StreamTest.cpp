// Streams: files with their modes and errors, memory, strings, resources, safe saving.
#include "classlib/Classes.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

template <class E, class F>
String messageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

String readAll(TStream& s) {
    s.SetPosition(0);
    String text(static_cast<std::size_t>(s.Size()), '\0');
    s.ReadBuffer(text.data(), static_cast<Int64>(text.size()));
    return text;
}

}  // namespace

TEST(StreamFiles, CreateWriteReadSeekAndResize) {
    testsupport::TempDir dir;
    const String name = dir.file("data.bin");
    {
        TFileStream out(name, fmCreate);
        out.WriteBuffer("hello world", 11);
        EXPECT_EQ(out.Position(), 11);
        EXPECT_EQ(out.Size(), 11);
        EXPECT_EQ(out.FileName(), name);
    }
    {
        TFileStream in(name, fmOpenRead);
        char buf[16] = {};
        EXPECT_EQ(in.Read(buf, 5), 5);
        EXPECT_STREQ(buf, "hello");
        EXPECT_EQ(in.Seek(-5, soEnd), 6);
        EXPECT_EQ(in.Read(buf, 100), 5);  // a short read at the end is no error
        EXPECT_EQ(in.Read(buf, 1), 0);
        in.SetPosition(0);
        EXPECT_EQ(messageOf<EReadError>([&] { in.ReadBuffer(buf, 12); }), "Stream-Read-Fehler");
        EXPECT_EQ(messageOf<EWriteError>([&] { in.WriteBuffer("x", 1); }), "Stream write error");
    }
    {
        TFileStream rw(name, fmOpenReadWrite);
        rw.SetPosition(6);
        rw.WriteBuffer("W", 1);
        rw.SetSize(7);
        EXPECT_EQ(rw.Size(), 7);
    }
    EXPECT_EQ(testsupport::readFile(name), (std::vector<unsigned char>{'h', 'e', 'l', 'l', 'o', ' ', 'W'}));
    {
        TFileStream again(name, fmCreate);  // create truncates
        EXPECT_EQ(again.Size(), 0);
    }
}

TEST(StreamFiles, OpenErrorsAndSharing) {
    testsupport::TempDir dir;
    const String missing = dir.file("missing.bin");
    EXPECT_EQ(messageOf<EFOpenError>([&] { TFileStream s(missing, fmOpenRead); }), "Datei " + missing + " kann nicht geöffnet werden");
    const String badFolder = dir.file("none/new.bin");
    EXPECT_EQ(messageOf<EFCreateError>([&] { TFileStream s(badFolder, fmCreate); }), "Datei " + badFolder + " kann nicht erstellt werden");
    EXPECT_THROW(TFileStream s(missing, fmOpenRead), EFileStreamError);
    EXPECT_THROW(TFileStream s(missing, fmOpenRead), EStreamError);

    const String name = dir.file("shared.txt");
    testsupport::writeFile(name, {'a'});
    TFileStream reader(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_THROW(TFileStream s(name, fmOpenReadWrite | fmShareDenyNone), EFOpenError);
    TFileStream second(name, fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(second.Size(), 1);
    {
        TFileStream exclusive(dir.file("excl.txt"), fmCreate);
        EXPECT_THROW(TFileStream s(dir.file("excl.txt"), fmOpenRead | fmShareDenyNone), EFOpenError);
    }
    TFileStream afterwards(dir.file("excl.txt"), fmOpenRead);
    EXPECT_EQ(afterwards.Size(), 0);
}

TEST(StreamMemory, GrowsSeeksAndCopies) {
    TMemoryStream m;
    EXPECT_EQ(m.Size(), 0);
    m.WriteBuffer("abc", 3);
    m.Seek(2, soCurrent);  // past the end: the gap fills with zeros on the next write
    m.WriteBuffer("z", 1);
    EXPECT_EQ(m.Size(), 6);
    EXPECT_EQ(String(static_cast<const char*>(m.Memory()), 6), String("abc\0\0z", 6));
    char c;
    EXPECT_EQ(m.Read(&c, 1), 0);
    EXPECT_THROW(m.Seek(-1, soBeginning), EStreamError);
    m.SetSize(2);
    EXPECT_EQ(m.Position(), 2);
    EXPECT_EQ(readAll(m), "ab");

    TMemoryStream copy;
    copy.WriteBuffer("xy", 2);
    EXPECT_EQ(copy.CopyFrom(&m, 0), 2);  // 0: all of the source from its start
    EXPECT_EQ(readAll(copy), "xyab");
    m.SetPosition(1);
    EXPECT_THROW(copy.CopyFrom(&m, 5), EReadError);

    testsupport::TempDir dir;
    copy.SaveToFile(dir.file("m.bin"));
    TMemoryStream loaded;
    loaded.LoadFromFile(dir.file("m.bin"));
    EXPECT_EQ(readAll(loaded), "xyab");
    EXPECT_EQ(loaded.Position(), 4);
    loaded.Clear();
    EXPECT_EQ(loaded.Size(), 0);
    EXPECT_EQ(loaded.Memory(), nullptr);
    EXPECT_THROW(loaded.LoadFromFile(dir.file("none.bin")), EFOpenError);
}

TEST(StreamStrings, StringStreams) {
    TStringStream s("start");
    EXPECT_EQ(s.ReadString(3), "sta");
    EXPECT_EQ(s.ReadString(10), "rt");
    s.WriteString("!");
    EXPECT_EQ(s.DataString(), "start!");
    EXPECT_EQ(s.Seek(100, soBeginning), 6);  // clamped to the data
    EXPECT_EQ(s.Seek(-100, soCurrent), 0);
    s.SetSize(2);
    EXPECT_EQ(s.DataString(), "st");
    EXPECT_EQ(s.Position(), 0);
}

TEST(StreamResources, BuiltInResources) {
    TResourceStream byPath(":/layouts/LayoutTestForm.layout");
    EXPECT_GT(byPath.Size(), 100);
    EXPECT_EQ(readAll(byPath).rfind("object TestForm: TTestForm", 0), 0u);
    TResourceStream byName(nullptr, "LayoutTestForm.layout", "layouts");
    EXPECT_EQ(byName.Size(), byPath.Size());
    EXPECT_EQ(messageOf<EWriteError>([&] { byName.WriteBuffer("x", 1); }), "Stream write error");
    EXPECT_EQ(messageOf<EResNotFound>([] { TResourceStream s(nullptr, "NOTHERE", "RCDATA"); }), "Resource NOTHERE not found");
}

TEST(StreamSafeSave, KeepsModeAndLinksAndFileStreamsRefuseFifos) {
    testsupport::TempDir dir;
    const String name = dir.file("list.txt");
    TStringList list;
    list.Add("a");
    list.SaveToFile(name);
    ASSERT_EQ(::chmod(name.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("list.txt", dir.file("link.txt").c_str()), 0);
    list.Add("b");
    list.SaveToFile(dir.file("link.txt"));
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("link.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    TStringList back;
    back.LoadFromFile(name);
    EXPECT_EQ(back.Count(), 2);
    ASSERT_EQ(::chmod(name.c_str(), 0400), 0);
    EXPECT_THROW(list.SaveToFile(name), EFCreateError);
    ASSERT_TRUE(testsupport::makeFifo(dir.file("fifo.txt")));
    EXPECT_TRUE(testsupport::returnsWithoutWaiting({dir.file("fifo.txt")}, [&] {
        EXPECT_THROW(back.LoadFromFile(dir.file("fifo.txt")), EFOpenError);
        EXPECT_THROW(TFileStream(dir.file("fifo.txt"), fmOpenRead), EFOpenError);
    }));
}

TEST(StreamSafeSave, AFailedWriteKeepsTheOldFile) {
    testsupport::TempDir dir;
    const String name = dir.file("keep.txt");
    testsupport::writeFile(name, {'o', 'l', 'd'});
    EXPECT_THROW(SaveFileSafely(name,
                                [](TStream* s) {
                                    s->WriteBuffer("partial", 7);
                                    throw EWriteError("disk full");
                                }),
                 EWriteError);
    EXPECT_EQ(testsupport::readFile(name), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files).size(), 1);  // no temporary file left
    SaveFileSafely(name, [](TStream* s) { s->WriteBuffer("new", 3); });
    EXPECT_EQ(testsupport::readFile(name), (std::vector<unsigned char>{'n', 'e', 'w'}));
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files).size(), 1);
}
