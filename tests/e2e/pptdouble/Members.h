// The members the double answers, one table row per member: object type,
// dispatch id, invoke kind, name, argument count and the code behind it.
#pragma once

#include "DoubleState.h"
#include "ObjectRef.h"
#include "Resolve.h"

#include <oaidl.h>

#include <string>
#include <vector>

namespace ppt {

// What a member call produced: nothing, an integer, a string, an object, or a failure.
struct Outcome {
    enum class Kind { Nothing, Integer, Text, Object, Failure };

    Kind kind = Kind::Nothing;
    long integer = 0;
    std::wstring text;  // the string result, or the failure's description
    ObjectRef object;
    HRESULT error = S_OK;
    int badArgument = -1;  // call-order index of the argument that could not be used

    static Outcome None() { return {}; }
    static Outcome Integer(long value);
    static Outcome Text(std::wstring value);
    static Outcome Object(const ObjectRef& ref);
    // An exception raised by the program: DISP_E_EXCEPTION with this description.
    static Outcome Exception(std::wstring why);
    static Outcome Fail(HRESULT error, int badArgument = -1);
};

struct CallContext {
    DoubleState& state;
    const ObjectRef& self;
    Resolved& target;
    const std::vector<VARIANT>& args;  // in call order, by value; a put's value comes last
};

using Handler = Outcome (*)(CallContext& call);

struct Member {
    ObjectType type;
    DISPID id;
    WORD kind;  // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT
    const wchar_t* name;
    unsigned minArgs;
    unsigned maxArgs;
    Handler call;
};

// The member of this type and id whose kind is among `flags`; null when there is none.
const Member* FindMember(ObjectType type, DISPID id, WORD flags);
// DISPID_UNKNOWN when the type has no member of that name (any case).
DISPID FindDispId(ObjectType type, const std::wstring& name);

}  // namespace ppt
