// Variant kinds and their conversions.
#include "platform/db/Variant.h"

#include <gtest/gtest.h>

TEST(Variant, ConversionsBetweenKinds) {
  EXPECT_EQ(Variant(42).AsString(), "42");
  EXPECT_EQ(Variant(int64_t{1} << 40).AsString(), "1099511627776");
  EXPECT_EQ(Variant(1.5).AsString(), "1.5");
  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant("12").AsInteger(), 12);
  EXPECT_DOUBLE_EQ(Variant("1.25").AsDouble(), 1.25);
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);  // halves to even
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_DOUBLE_EQ(Variant::FromDate(EncodeDate(2009, 8, 5)).AsDateTime(), EncodeDate(2009, 8, 5));
  EXPECT_DOUBLE_EQ(Variant("2009-08-05").AsDateTime(), EncodeDate(2009, 8, 5));
  EXPECT_EQ(Variant::FromDate(EncodeDate(2009, 8, 5)).AsString(), "2009-08-05");
  // Unassigned reads as zero values; Null does not convert.
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant().AsString(), "");
}

TEST(Variant, FailedConversionsRaiseVariantError) {
  const Variant bad[] = {Variant::Null(), Variant("abc"), Variant(1e300)};
  for (const Variant& v : bad) EXPECT_THROW(v.AsInteger(), EVariantError) << Variant::TypeName(v.VarType());
  EXPECT_THROW(Variant::Null().AsString(), EVariantError);
  EXPECT_THROW(Variant("x").AsDouble(), EVariantError);
  EXPECT_THROW(Variant("x").AsDateTime(), EVariantError);
  EXPECT_THROW(Variant(int64_t{1} << 40).AsInteger(), EVariantError);
  try {
    Variant::Null().AsInteger();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (Null) into type (Int64)");
  }
}

TEST(Variant, EqualityNeedsSameKind) {
  EXPECT_TRUE(Variant::Null() == Null());
  EXPECT_FALSE(Variant::Null() == Variant());
  EXPECT_TRUE(Variant("a") == Variant(AnsiString("a")));
  EXPECT_FALSE(Variant(1) == Variant(int64_t{1}));
  EXPECT_FALSE(Variant(1.0) == Variant::FromDate(1.0));
  EXPECT_TRUE(VarIsNull(Unassigned()));
}
