// Collections and string lists.
#include <gtest/gtest.h>

#include "tests/platform/classlib/core_test_classes.h"

namespace {

std::vector<AnsiString> Captions(const TCollection& c) {
  std::vector<AnsiString> out;
  for (int i = 0; i < c.Count(); ++i) out.push_back(static_cast<TTestItem*>(c.Items(i))->Caption);
  return out;
}

TEST(CoreCollections, AddInsertDeleteAndIndexMovesKeepIDs) {
  TTestItems items(nullptr);
  for (int i = 0; i < 3; ++i) items.Add();  // named Item1..Item3 once fully built
  EXPECT_EQ(Captions(items), (std::vector<AnsiString>{"Item1", "Item2", "Item3"}));
  auto* inserted = static_cast<TTestItem*>(items.Insert(1));
  EXPECT_EQ(inserted->Caption, "Item4");
  EXPECT_EQ(inserted->Index(), 1);
  EXPECT_EQ(inserted->ID(), 3);

  items.Items(3)->SetIndex(0);  // Item3 to the front
  EXPECT_EQ(Captions(items), (std::vector<AnsiString>{"Item3", "Item1", "Item4", "Item2"}));
  items.Delete(1);
  EXPECT_EQ(Captions(items), (std::vector<AnsiString>{"Item3", "Item4", "Item2"}));
  EXPECT_EQ(items.FindItemID(0), nullptr);
  EXPECT_EQ(items.FindItemID(2), items.Items(0));
  EXPECT_EQ(items.Add()->ID(), 4);  // IDs are never reused
  EXPECT_EQ(items.Notifies.front(), "+Item1");
  EXPECT_EQ(items.Notifies[4], "-Item1");

  items.Clear();
  EXPECT_EQ(items.Count(), 0);
  EXPECT_EQ(items.NextID(), 5);
}

TEST(CoreCollections, BadIndexesRaiseListErrors) {
  TTestItems items(nullptr);
  items.Add();
  items.Add();
  struct Case {
    const char* what;
    std::function<void()> run;
    const char* message;
  } cases[] = {
      {"Items(2)", [&] { items.Items(2); }, "List index out of bounds (2)"},
      {"Items(-1)", [&] { items.Items(-1); }, "List index out of bounds (-1)"},
      {"Delete(2)", [&] { items.Delete(2); }, "List index out of bounds (2)"},
      {"Insert(3)", [&] { items.Insert(3); }, "List index out of bounds (3)"},
      {"SetIndex(5)", [&] { items.Items(0)->SetIndex(5); }, "List index out of bounds (5)"},
  };
  for (const Case& c : cases) {
    try {
      c.run();
      ADD_FAILURE() << c.what;
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), c.message) << c.what;
    }
  }
  EXPECT_EQ(items.Count(), 2);
}

TEST(CoreCollections, AssignReplacesItemsWithCopies) {
  TTestForm owner(nullptr);
  TTestItems source(nullptr), dest(nullptr);
  dest.Add();
  auto* s1 = static_cast<TTestItem*>(source.Add());
  s1->Width = 10;
  s1->OnExecute = TNotifyEvent(&owner, &TTestForm::btnOkClick, "btnOkClick");
  source.Add()->SetIndex(0);
  dest.Updates = 0;

  dest.Assign(&source);
  ASSERT_EQ(dest.Count(), 2);
  EXPECT_EQ(Captions(dest), Captions(source));
  auto* copy = static_cast<TTestItem*>(dest.Items(1));
  EXPECT_EQ(copy->Width, 10);
  EXPECT_EQ(dest.Updates, 1);  // one update for the whole assignment
  s1->Width = 99;
  EXPECT_EQ(copy->Width, 10);
  copy->OnExecute(copy);
  EXPECT_EQ(owner.Clicks, 1);
  EXPECT_EQ(copy->OnExecute.HandlerName(), "btnOkClick");

  TTestFont font;
  EXPECT_THROW(dest.Assign(&font), EConvertError);
  EXPECT_THROW(dest.Items(0)->Assign(&font), EConvertError);
  EXPECT_EQ(dest.Count(), 2);
}

TEST(CoreCollections, UpdatesAreHeldUntilTheOutermostEndUpdate) {
  TTestItems items(nullptr);
  items.Updates = 0;
  items.BeginUpdate();
  items.BeginUpdate();
  items.Add();
  items.Add();
  items.EndUpdate();
  EXPECT_EQ(items.Updates, 0);
  items.EndUpdate();
  EXPECT_EQ(items.Updates, 1);
  items.Items(0)->SetIndex(1);
  EXPECT_EQ(items.Updates, 2);
}

TEST(CoreCollections, NamePathAndDisplayName) {
  TTestForm form(nullptr);
  form.SetName("frm");
  auto* w = new TTestWidget(&form);
  w->SetName("grid");
  w->Items()->Add();
  auto* item = static_cast<TTestItem*>(w->Items()->Add());
  EXPECT_EQ(item->GetNamePath(), "grid.Items[1]");
  EXPECT_EQ(item->DisplayName(), "Item2");
  item->Caption.clear();
  EXPECT_EQ(item->DisplayName(), "TTestItem");
  EXPECT_EQ(item->GetOwner(), w->Items());
  EXPECT_EQ(w->Items()->GetOwner(), w);
}

TEST(CoreCollections, ItemsMoveBetweenCollections) {
  TTestItems a(nullptr), b(nullptr);
  a.Add();
  TCollectionItem* moving = a.Add();
  moving->SetCollection(&b);
  EXPECT_EQ(a.Count(), 1);
  ASSERT_EQ(b.Count(), 1);
  EXPECT_EQ(b.Items(0), moving);
  EXPECT_EQ(moving->Collection(), &b);
  delete moving;  // leaves its collection
  EXPECT_EQ(b.Count(), 0);
}

// ---- string lists --------------------------------------------------------------------------

TEST(CoreStrings, TextSplitsAtEveryLineBreakAndJoinsWithCrLf) {
  struct Case {
    const char* text;
    std::vector<AnsiString> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"\n\r", {"", ""}},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.SetText(c.text);
    EXPECT_EQ(list.ToVector(), c.lines) << c.text;
    AnsiString joined;
    for (const AnsiString& l : c.lines) joined += l + "\r\n";
    EXPECT_EQ(list.Text(), joined);
    TStringList again;
    again.SetText(list.Text());
    EXPECT_TRUE(again.Equals(list)) << c.text;
  }
}

TEST(CoreStrings, CommaTextQuotesWhatNeedsItAndSplitsAtCommasAndBlanks) {
  struct Case {
    const char* text;
    std::vector<AnsiString> items;
    const char* written;
  } cases[] = {
      {"a,b,c", {"a", "b", "c"}, "a,b,c"},
      {"a b", {"a", "b"}, "a,b"},
      {" a , b ", {"a", "b"}, "a,b"},
      {"\"a b\",c", {"a b", "c"}, "\"a b\",c"},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {"a,,b", {"a", "", "b"}, "a,\"\",b"},
      {"a,", {"a", ""}, "a,\"\""},
      {"", {}, ""},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.SetCommaText(c.text);
    EXPECT_EQ(list.ToVector(), c.items) << c.text;
    EXPECT_EQ(list.CommaText(), c.written) << c.text;
  }
}

TEST(CoreStrings, NamesAndValues) {
  TStringList list;
  list.SetText("Host=db1\r\nPort=5432\r\nplain\r\nEmpty=");
  EXPECT_EQ(list.Values("host"), "db1");
  EXPECT_EQ(list.Names(1), "Port");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(3), "");
  EXPECT_EQ(list.IndexOfName("EMPTY"), 3);
  list.SetValues("Port", "1");
  list.SetValues("User", "sa");
  list.SetValues("Host", "");  // an empty value removes the line
  EXPECT_EQ(list.ToVector(), (std::vector<AnsiString>{"Port=1", "plain", "Empty=", "User=sa"}));
}

TEST(CoreStrings, SortedListsHonourTheDuplicatesRule) {
  TStringList list;
  list.SetText("pear\r\nApple\r\nfig");
  list.SetSorted(true);
  EXPECT_EQ(list.ToVector(), (std::vector<AnsiString>{"Apple", "fig", "pear"}));
  EXPECT_EQ(list.Add("banana"), 1);
  EXPECT_EQ(list.IndexOf("APPLE"), 0);
  EXPECT_EQ(list.IndexOf("kiwi"), -1);

  EXPECT_EQ(list.Add("FIG"), 2);  // dupIgnore: the existing index, nothing added
  EXPECT_EQ(list.Count(), 4);
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.Add("Pear"), EStringListError);
  list.SetDuplicates(dupAccept);
  list.Add("Fig");
  EXPECT_EQ(list.Count(), 5);
  int index;
  EXPECT_TRUE(list.Find("fig", index));
  EXPECT_EQ(index, 2);  // the first of the equal strings

  try {
    list.Insert(0, "x");
    ADD_FAILURE();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
  }
}

TEST(CoreStrings, IndexesAreCheckedAndObjectsTravelWithStrings) {
  TStringList list;
  TTestFont a, b;
  list.AddObject("a", &a);
  list.AddObject("b", &b);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Strings(0), "b");
  EXPECT_EQ(list.Objects(0), &b);
  list.Move(0, 1);
  EXPECT_EQ(list.Objects(1), &b);
  EXPECT_EQ(list.IndexOfObject(&a), 0);
  try {
    list.Strings(2);
    ADD_FAILURE();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (2)");
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(3, "x"), EListError);

  TStringList copy;
  copy.Assign(&list);
  EXPECT_TRUE(copy.Equals(list));
  EXPECT_EQ(copy.Objects(1), &b);
  EXPECT_THROW(copy.Assign(&a), EConvertError);
}

TEST(CoreStrings, OnChangeFiresOncePerUpdateBlock) {
  TStringList list;
  int changes = 0, changing = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  list.OnChanging = [&](TObject*) { ++changing; };
  list.Add("a");
  EXPECT_EQ(changes, 1);
  list.BeginUpdate();
  list.Add("b");
  list.Add("c");
  list.SetStrings(0, "z");
  EXPECT_EQ(changes, 1);
  list.EndUpdate();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(changing, 2);
  list.SetText("x\r\ny");  // one replacement, one change
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(list.Count(), 2);
}

}  // namespace
