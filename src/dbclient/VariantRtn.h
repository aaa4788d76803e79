#pragma once
// Routines over variant arrays of any number of dimensions: creation with
// bounds and element type, element access by index vector, walks in index
// order with a callback, and comparison of one-dimensional arrays.
//
// The walks keep their position in one index vector per thread; a callback
// must not start another walk on the same thread.
#include "platform/rtl/Variants.h"

#include <array>
#include <functional>
#include <span>

// Entry I is the current index of dimension I + 1; entries beyond the
// array's dimension count are 0.
using TVarArrayIndex = std::array<Integer, 17>;

// Per-thread walking state used by the routines below.
TVarArrayIndex& VarArrayIndex();

// Callback of ForEachVarArrayElement: the element, the index vector, the
// highest dimension index (dimension count - 1) and a flag to clear to stop.
using TVarArrayElementProc = std::function<void(const Variant& Element, const TVarArrayIndex& Indices,
                                                Integer HighDim, bool& Continue)>;
// Callback of ModifyVarArrayElements: the element, the index vector, the
// value to write back (kept between calls) and a flag to clear to stop.
using TVarArrayModifyProc = std::function<void(const Variant& Element, const TVarArrayIndex& Indices,
                                               Variant& NewValue, bool& Continue)>;

// Bounds holds DimCount (low, high) pairs. Result becomes the array, of type
// ElementType | varArray. Raises Exception "Unable to create variant array."
void CreateVarArray(std::span<const Integer> Bounds, TVarType ElementType, Variant& Result,
                    Integer DimCount);

// Raise Exception "Variant is not an array." for a non-array and "Variant
// array index out of bounds." for a dimension count other than the array's
// or an index outside its bounds.
void GetVarArrayElement(Variant& Result, const Variant& A, Integer DimCount,
                        std::span<const Integer> Indices);
// A text stored into an array of variants goes in as an OLE string; other
// element types take the value converted to them.
void PutVarArrayElement(Variant& A, const Variant& Value, Integer DimCount,
                        std::span<const Integer> Indices);

// Index vector to the low bound of every dimension (0 beyond them).
void ResetVarArrayIndex(const Variant& A);
// Odometer step, last dimension fastest; false when the walk is over.
bool IncVarArrayIndex(const Variant& A);

// Visits every element in index order. False without callback, for a
// non-array, or when the callback stopped the walk.
bool ForEachVarArrayElement(const Variant& A, const TVarArrayElementProc& Proc);
// Like ForEachVarArrayElement, writing NewValue back to each visited element
// unless the callback stopped the walk there.
bool ModifyVarArrayElements(Variant& A, const TVarArrayModifyProc& Proc);

// A[I] equals B[I] for I = 0..H (one-dimensional access); never raises,
// any failure gives false.
bool VarArraysEqual(const Variant& A, const Variant& B, Integer H);

// The array of V, also by reference; nullptr when V holds none.
TVarArray* VarArrayPtr(const Variant& V);

// Result becomes an OLE-string variant with a copy of the text.
void StringToOleVariant(Variant& Result, const Variant& Text);
