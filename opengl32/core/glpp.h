// Preprocessor helpers for tables stamped from the slot list.
#pragma once

#define GL_CAT(a, b) GL_CAT_(a, b)
#define GL_CAT_(a, b) a##b
#define GL_SECOND(a, b, ...) b
// GL_IS_LISTED(GL_FOO_##name) is 1 when GL_FOO_<name> is defined as GL_LISTED, else 0.
#define GL_LISTED ~, 1
#define GL_IS_LISTED(probe) GL_IS_LISTED_(probe)
#define GL_IS_LISTED_(...) GL_SECOND(__VA_ARGS__, 0, ~)
#define GL_IF(c) GL_CAT(GL_IF_, c)
#define GL_IF_1(...) __VA_ARGS__
#define GL_IF_0(...)
#define GL_PICK(c) GL_CAT(GL_PICK_, c)
#define GL_PICK_1(a, b) a
#define GL_PICK_0(a, b) b
#define GL_STR(x) GL_STR_(x)
#define GL_STR_(x) #x
