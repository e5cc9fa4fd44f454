#include "propertycollection.h"
#include "propertylist.h"
#include "raisederror.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

// A host may declare its own drawing types: the list's headers bring none into the global
// namespace but the context handle (this does not compile if they do).
struct RECT {
    double left;
};
static_assert(sizeof(RECT) == sizeof(double));

using namespace tav;
using namespace tav::propertylist;
using tav::test::errorNumberOf;

namespace {
QStringList captions(const std::vector<PropertyItem*>& rows) {
    QStringList out;
    for (const PropertyItem* r : rows)
        out << r->caption();
    return out;
}
} // namespace

TEST(PropertyCollection, LookupReturnsFirstExactCaptionOrFailsWithElementNotFound) {
    PropertyCollection c;
    PropertyItem& first = c.add("Name", 0, "one");
    PropertyItem& other = c.add("Other", 0, "");
    c.add("Name", 0, "two");

    EXPECT_EQ(&c.lookup(Variant("Name")), &first);
    EXPECT_EQ(&c.lookup(Variant(int16_t(2))), &other) << "numbers are 1-based positions";

    struct Case {
        const char* name;
        Variant key;
    };
    const Case missing[] = {{"other letter case", Variant("name")},
                            {"no such caption", Variant("Nom")},
                            {"empty caption", Variant("")},
                            {"position past the end", Variant(int32_t(4))},
                            {"position zero", Variant(int32_t(0))}};
    for (const Case& m : missing) {
        SCOPED_TRACE(m.name);
        try {
            c.lookup(m.key);
            ADD_FAILURE() << "lookup succeeded";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number(), int32_t(0x8002802B));
            EXPECT_EQ(e.description(), "Element not found");
        }
    }
}

TEST(PropertyCollection, AddAcceptsTheKnownKindsOnly) {
    PropertyCollection c;
    for (int32_t kind : {0, 1, 2, 3, 5, 6, 7})
        EXPECT_EQ(errorNumberOf([&] { c.add("k", kind, ""); }), 0) << kind;
    for (int32_t kind : {-1, 4, 8, 100})
        EXPECT_EQ(errorNumberOf([&] { c.add("k", kind, ""); }), err::InvalidProcedureCall) << kind;
    EXPECT_EQ(c.count(), 7);
}

TEST(PropertyCollection, DisplayOrderSortsWithinEachGroupAndFoldsCollapsedHeaders) {
    PropertyCollection c;
    c.add("zeta", 0, "");
    c.add("Alpha", 0, "");
    PropertyItem& h1 = c.add("Header 1", 7, "");
    c.add("delta", 0, "");
    c.add("Beta", 0, "");
    c.add("beta", 1, ""); // ties keep the order added
    c.add("Echo", 0, ""); // letter case does not sort capitals first
    PropertyItem& h2 = c.add("Header 0", 7, "");
    c.add("b", 0, "");
    c.add("a", 0, "");

    EXPECT_EQ(captions(c.displayOrder(false)),
              QStringList({"zeta", "Alpha", "Header 1", "delta", "Beta", "beta", "Echo", "Header 0",
                           "b", "a"}));
    EXPECT_EQ(captions(c.displayOrder(true)),
              QStringList({"Alpha", "zeta", "Header 1", "Beta", "beta", "delta", "Echo", "Header 0",
                           "a", "b"}));

    QSignalSpy layout(&c, &PropertyCollection::layoutChanged);
    c.setExpanded(h1, false);
    EXPECT_EQ(layout.count(), 1);
    EXPECT_EQ(captions(c.displayOrder(true)),
              QStringList({"Alpha", "zeta", "Header 1", "Header 0", "a", "b"}));
    EXPECT_EQ(c.headerOf(&c.lookup(Variant("delta"))), &h1);
    EXPECT_EQ(c.headerOf(&c.lookup(Variant("a"))), &h2);
    EXPECT_EQ(c.headerOf(&c.lookup(Variant("zeta"))), nullptr);
    EXPECT_EQ(c.headerOf(&h2), nullptr);
}

TEST(PropertyItem, ListEntriesShowAsTextAndOnlyArraysAreAccepted) {
    PropertyCollection c;
    PropertyItem& item = c.add("Drop", 5, "Pick one");
    VariantArray entries(0);
    for (int16_t i = 1; i <= 3; ++i)
        entries.append(Variant(i));
    entries.append(Variant(1.5));
    item.setListEntries(Variant(entries));
    EXPECT_EQ(item.listTexts(), QStringList({"1", "2", "3", "1.5"}));
    EXPECT_EQ(errorNumberOf([&] { item.setListEntries(Variant("1;2")); }), err::TypeMismatch);
    EXPECT_EQ(item.listTexts().size(), 4) << "a failed write keeps the entries";
}

TEST(PropertyItem, ValueWritesSignalOnlyRealChanges) {
    PropertyCollection c;
    PropertyItem& item = c.add("Text", 0, "a");
    QSignalSpy changed(&c, &PropertyCollection::itemChanged);
    item.setValue("a");
    EXPECT_EQ(changed.count(), 0);
    item.setValue("b");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<PropertyItem*>(), &item);
    EXPECT_EQ(item.labelText(), "Text") << "the label defaults to the caption";
    EXPECT_EQ(item.highlightState(), 0);
}

TEST(PropertyItem, TheFlagMakesARowReadOnly) {
    PropertyCollection c;
    PropertyItem& item = c.add("Custom", 6, "1");
    EXPECT_TRUE(item.hasInPlaceEditor());
    item.setFlag(1);
    EXPECT_FALSE(item.hasInPlaceEditor());
    item.setFlag(0);
    EXPECT_TRUE(item.hasInPlaceEditor());
    EXPECT_FALSE(c.add("Browse", 3, "").hasInPlaceEditor())
        << "browse rows edit through their button";
    EXPECT_FALSE(c.add("Head", 7, "").hasInPlaceEditor());
}
