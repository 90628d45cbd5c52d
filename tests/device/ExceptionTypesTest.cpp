// The program's exception family, caught the way the printer selection catches it: by reference to
// the base, with the most-derived type name, message and source still there.
#include <gtest/gtest.h>

#include <exception>
#include <type_traits>

#include "device/Exception.h"

namespace vork {
namespace {

static_assert(!std::is_base_of_v<std::exception, Exception>,
              "a handler for standard exceptions must never catch the wrong-mode exception");

struct TypeRow {
    bool derived;
    const wchar_t* typeName;
};

TEST(ExceptionTypes, CaughtThroughTheBaseTheyKeepTheirTypeAndTexts) {
    for (const TypeRow& row :
         {TypeRow{false, L"Exception"}, TypeRow{true, L"InvalidModeException"}}) {
        try {
            if (row.derived) throw InvalidModeException(L"message", L"Class::Operation()");
            throw Exception(L"message", L"Class::Operation()");
        } catch (const Exception& caught) {
            EXPECT_EQ(caught.GetTypeName(), row.typeName);
            EXPECT_EQ(caught.Message(), L"message");
            EXPECT_EQ(caught.Source(), L"Class::Operation()");
        }
    }
}

}  // namespace
}  // namespace vork
