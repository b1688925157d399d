#include <gtest/gtest.h>

#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "tests/support/TempDir.h"

namespace {
class Item : public TObject {};

AnsiString Joined(const TStrings& list) {
    return list.CommaText();
}

class ChangeCounter : public TObject {
public:
    void Changed(TObject*) { ++changes; }
    void Changing(TObject*) { ++changings; }
    int changes = 0;
    int changings = 0;
};
} // namespace

TEST(StringList, ObjectsTravelWithTheirEntries) {
    Item first, second, third;
    TStringList list;
    list.AddObject("COM1", &first);
    list.AddObject("COM2", &second);
    list.InsertObject(0, "COM3", &third);
    list.Add("COM4");
    EXPECT_EQ(list.Objects(0), &third);
    EXPECT_EQ(list.Objects(3), nullptr);
    EXPECT_EQ(list.IndexOfObject(&second), 2);

    list.Exchange(0, 2);
    EXPECT_EQ(list.Strings(0), "COM2");
    EXPECT_EQ(list.Objects(0), &second);
    list.Put(0, "COM9"); // a new text keeps the object
    EXPECT_EQ(list.Objects(0), &second);
    list.Move(0, 3);
    EXPECT_EQ(Joined(list), "COM1,COM3,COM4,COM9");
    EXPECT_EQ(list.Objects(3), &second);
    list.Delete(1);
    EXPECT_EQ(list.IndexOfObject(&third), -1);

    TStringList copy;
    copy.Add("stale");
    copy.Assign(list);
    EXPECT_TRUE(copy.Equals(list));
    EXPECT_EQ(copy.Objects(2), &second);
}

TEST(StringList, IndexErrorsUseTheListText) {
    TStringList list;
    list.Add("a");
    try {
        list.Get(1);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message, "List index out of bounds (1)");
    }
    EXPECT_THROW(list.Objects(-1), EStringListError);
    EXPECT_THROW(list.Insert(2, "c"), EStringListError);
    EXPECT_THROW(list.Delete(1), EStringListError);
    list.Insert(1, "b"); // the end is a valid place
    EXPECT_EQ(list.Count(), 2);
}

TEST(StringList, CaseInsensitiveByDefault) {
    TStringList list;
    list.Add("Update.exe");
    EXPECT_EQ(list.IndexOf("UPDATE.EXE"), 0);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("UPDATE.EXE"), -1);
}

TEST(SortedStringList, InsertsInOrderAndAppliesDuplicates) {
    TStringList list;
    list.SetSorted(true);
    for (const char* text : {"delta", "Alpha", "charlie", "bravo"})
        list.Add(text);
    EXPECT_EQ(Joined(list), "Alpha,bravo,charlie,delta");

    // Ignored: the existing entry's index comes back and its object stays.
    Item object;
    EXPECT_EQ(list.AddObject("ALPHA", &object), 0);
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Objects(0), nullptr);

    list.SetDuplicates(dupError);
    try {
        list.Add("Bravo");
        FAIL();
    } catch (const EStringListError& e) {
        EXPECT_EQ(e.Message, "String list does not allow duplicates");
    }
    EXPECT_EQ(list.Count(), 4);

    list.SetDuplicates(dupAccept);
    EXPECT_EQ(list.AddObject("BRAVO", &object), 1);
    EXPECT_EQ(list.Objects(1), &object);
    EXPECT_EQ(list.Count(), 5);

    int index = -1;
    EXPECT_TRUE(list.Find("Charlie", index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(list.Find("cat", index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(list.Find("zulu", index));
    EXPECT_EQ(index, 5);
}

TEST(SortedStringList, PositionalChangesAreRefused) {
    TStringList list;
    list.SetSorted(true);
    list.Add("b");
    EXPECT_THROW(list.Insert(0, "a"), EStringListError);
    EXPECT_THROW(list.Put(0, "z"), EStringListError);
    EXPECT_EQ(Joined(list), "b");
}

TEST(SortedStringList, SortingIsStableAndFollowsCaseSensitivity) {
    Item first, second;
    TStringList list;
    list.AddObject("b", &first);
    list.Add("a");
    list.AddObject("B", &second);
    list.SetSorted(true);
    EXPECT_EQ(Joined(list), "a,b,B");
    EXPECT_EQ(list.Objects(1), &first);
    EXPECT_EQ(list.Objects(2), &second);

    TStringList names;
    names.SetText("B\nb\na\n_x\n");
    names.SetCaseSensitive(true);
    names.SetSorted(true);
    EXPECT_EQ(Joined(names), "_x,a,b,B");
}

TEST(NameValueEntries, NamesValuesAndSetValue) {
    TStringList list;
    list.SetText("Port=COM1\nspeed=19200\nplain\nempty=\nkey=a=b\n");
    EXPECT_EQ(list.IndexOfName("PORT"), 0);
    EXPECT_EQ(list.Values("Speed"), "19200");
    EXPECT_EQ(list.Values("key"), "a=b");
    EXPECT_EQ(list.Values("plain"), "");
    EXPECT_EQ(list.IndexOfName("plain"), -1);
    EXPECT_EQ(list.Names(2), "");
    EXPECT_EQ(list.Names(4), "key");
    EXPECT_EQ(list.IndexOfName("empty"), 3);

    list.SetValue("port", "COM3");
    EXPECT_EQ(list.Strings(0), "port=COM3");
    list.SetValue("new", "1");
    EXPECT_EQ(list.Strings(5), "new=1");
    list.SetValue("speed", ""); // an empty value removes the entry
    EXPECT_EQ(list.IndexOfName("speed"), -1);
    EXPECT_EQ(list.Count(), 5);
}

TEST(StringListText, LineBreaksOfEveryKindSplitAndTextEndsEachLine) {
    TStringList list;
    list.SetText("one\r\ntwo\nthree\rfour\n\nsix");
    EXPECT_EQ(list.Count(), 6);
    EXPECT_EQ(list.Strings(3), "four");
    EXPECT_EQ(list.Strings(4), "");
    EXPECT_EQ(list.Text(), "one\ntwo\nthree\nfour\n\nsix\n");
    list.SetText(AnsiString("a\0b\n", 4)); // zero bytes are text like any other
    EXPECT_EQ(list.Strings(0), AnsiString("a\0b", 3));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
}

TEST(StringListText, CommaTextQuotesWhatNeedsIt) {
    TStringList list;
    list.Add("plain");
    list.Add("two words");
    list.Add("say \"hi\"");
    list.Add("a,b");
    list.Add("");
    EXPECT_EQ(list.CommaText(), "plain,\"two words\",\"say \"\"hi\"\"\",\"a,b\",");

    TStringList back;
    back.SetCommaText(list.CommaText() + "x");
    EXPECT_EQ(back.Count(), 5);
    EXPECT_EQ(back.Strings(2), "say \"hi\"");
    EXPECT_EQ(back.Strings(3), "a,b");
    EXPECT_EQ(back.Strings(4), "x");

    back.SetCommaText("one two, three ,,four");
    EXPECT_EQ(back.Count(), 5);
    EXPECT_EQ(back.Strings(3), "");

    TStringList single;
    single.Add("");
    EXPECT_EQ(single.CommaText(), "\"\"");
}

TEST(StringListText, FilesAndStreams) {
    TempDir dir;
    TStringList list;
    list.Add("COM1=/dev/ttyS0");
    list.Add("COM3=/dev/ttyUSB0");
    list.SaveToFile(dir / "ports.txt");
    EXPECT_EQ(ReadFileBytes(dir / "ports.txt"), "COM1=/dev/ttyS0\nCOM3=/dev/ttyUSB0\n");

    TStringList loaded;
    loaded.LoadFromFile(dir / "ports.txt");
    EXPECT_EQ(loaded.Values("com3"), "/dev/ttyUSB0");

    // Loading from a stream starts at its position.
    TStringStream stream("skip\r\nkeep\r\n");
    stream.SetPosition(6);
    loaded.LoadFromStream(&stream);
    EXPECT_EQ(Joined(loaded), "keep");
    EXPECT_THROW(loaded.LoadFromFile(dir / "missing.txt"), EFOpenError);
}

TEST(StringListEvents, OneNotificationPerOutermostUpdate) {
    ChangeCounter counter;
    TStringList list;
    list.OnChange = TNotifyEvent::Bind<&ChangeCounter::Changed>(&counter);
    list.OnChanging = TNotifyEvent::Bind<&ChangeCounter::Changing>(&counter);
    list.Add("a");
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(counter.changings, 1);

    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("b");
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(counter.changes, 1);
    list.EndUpdate();
    EXPECT_EQ(counter.changes, 2);
    EXPECT_EQ(counter.changings, 2);

    list.SetText("x\ny\nz"); // one change for the whole text
    EXPECT_EQ(counter.changes, 3);
    list.SetValue("absent", ""); // nothing removed, nothing reported
    EXPECT_EQ(counter.changes, 3);
}
