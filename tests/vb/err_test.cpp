// The error model: Raise, the error being handled, and foreign exceptions
// turned into VB errors.

#include "platform/vb/Err.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using namespace vb;

TEST(Err, RaiseCarriesNumberSourceAndDefaultDescription)
{
    try {
        Raise(errnum::Overflow, "Module1");
        FAIL();
    } catch (const ErrObject& e) {
        EXPECT_EQ(e.Number, 6);
        EXPECT_EQ(e.Description, "Overflow");
        EXPECT_EQ(e.Source, "Module1");
        EXPECT_STREQ(e.what(), "Error 6: Overflow");
    }
    try {
        Raise(3265, {}, "Custom text");
    } catch (const ErrObject& e) {
        EXPECT_EQ(e.Description, "Custom text");
    }
}

TEST(Err, DefaultDescriptions)
{
    EXPECT_EQ(DefaultDescription(13), "Type mismatch");
    EXPECT_EQ(DefaultDescription(94), "Invalid use of Null");
    EXPECT_EQ(DefaultDescription(53), "File not found");
    EXPECT_EQ(DefaultDescription(91), "Object variable or With block variable not set");
    EXPECT_EQ(DefaultDescription(457), "This key is already associated with an element of this collection");
    EXPECT_EQ(DefaultDescription(32755), "Cancel was selected.");
    EXPECT_EQ(DefaultDescription(12345), "Application-defined or object-defined error");
    EXPECT_EQ(ErrObject(5, {}).Description, "Invalid procedure call or argument");
}

TEST(Err, CatchErrorRecordsTheErrorBeingHandled)
{
    Err().Clear();
    try {
        Raise(errnum::FileNotFound, "CIniFile");
    } catch (...) {
        const ErrObject& e = CatchError();
        EXPECT_EQ(e.Number, 53);
    }
    EXPECT_EQ(Err().Number, 53);
    EXPECT_EQ(Err().Source, "CIniFile");
    EXPECT_EQ(Err().Description, "File not found");
    Err().Clear();
    EXPECT_EQ(Err().Number, 0);
    EXPECT_TRUE(Err().Description.isEmpty());
}

TEST(Err, ForeignExceptionsBecomeVbErrors)
{
    try {
        throw std::runtime_error("disk on fire");
    } catch (...) {
        CatchError();
    }
    EXPECT_EQ(Err().Number, 5);
    EXPECT_EQ(Err().Description, "disk on fire");

    try {
        throw std::bad_alloc();
    } catch (...) {
        CatchError();
    }
    EXPECT_EQ(Err().Number, 7);
    EXPECT_EQ(Err().Description, "Out of memory");

    try {
        throw 42;
    } catch (...) {
        CatchError();
    }
    EXPECT_EQ(Err().Number, 5);
    EXPECT_EQ(Err().Description, "Invalid procedure call or argument");
}

TEST(Err, CatchErrorOutsideACatchKeepsTheLastError)
{
    try {
        Raise(9);
    } catch (...) {
        CatchError();
    }
    EXPECT_EQ(CatchError().Number, 9);
}
