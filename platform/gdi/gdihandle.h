#pragma once
// The device-context handle type alone, for interfaces that pass a context through
// without drawing on it: they need not bring the drawing layer's other types with them.
struct HDC__;
using HDC = HDC__*;
