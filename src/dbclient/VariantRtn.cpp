#include "dbclient/VariantRtn.h"

#include "platform/rtl/SysUtils.h"

namespace {

const char* const SCantCreateArray = "Unable to create variant array.";
const char* const SNotArray = "Variant is not an array.";
const char* const SIndexOutOfBounds = "Variant array index out of bounds.";

thread_local TVarArrayIndex GIndex{};

// The array of A after the checks common to element reads and writes.
TVarArray& CheckedArray(const Variant& A, Integer DimCount, std::span<const Integer> Indices)
{
    TVarArray* arr = A.ArrayPtr();
    if (!arr) throw Exception(SNotArray);
    if (DimCount != arr->DimCount() || Indices.size() < size_t(DimCount)) throw Exception(SIndexOutOfBounds);
    for (Integer d = 0; d < DimCount; ++d)
        if (Indices[d] < arr->LowBound(d + 1) || Indices[d] > arr->HighBound(d + 1))
            throw Exception(SIndexOutOfBounds);
    return *arr;
}

}  // namespace

TVarArrayIndex& VarArrayIndex() { return GIndex; }

void CreateVarArray(std::span<const Integer> Bounds, TVarType ElementType, Variant& Result, Integer DimCount)
{
    if (DimCount < 1 || DimCount > TVarArray::MaxDims || Bounds.size() < size_t(2 * DimCount))
        throw Exception(SCantCreateArray);
    try {
        Result = VarArrayCreate(std::vector<Integer>(Bounds.begin(), Bounds.begin() + 2 * DimCount),
                                ElementType);
    } catch (const EVariantError&) {
        throw Exception(SCantCreateArray);
    }
}

void GetVarArrayElement(Variant& Result, const Variant& A, Integer DimCount, std::span<const Integer> Indices)
{
    const TVarArray& arr = CheckedArray(A, DimCount, Indices);
    Result = arr.Get(Indices.data(), DimCount);
}

void PutVarArrayElement(Variant& A, const Variant& Value, Integer DimCount, std::span<const Integer> Indices)
{
    TVarArray& arr = CheckedArray(A, DimCount, Indices);
    if (arr.ElementType() == varVariant && VarType(Value) == varString) {
        Variant ole;
        StringToOleVariant(ole, Value);
        arr.Put(Indices.data(), DimCount, ole);
    } else {
        // Conversion failures of typed arrays surface as the variant error they are.
        arr.Put(Indices.data(), DimCount, Value);
    }
}

void ResetVarArrayIndex(const Variant& A)
{
    GIndex.fill(0);
    if (TVarArray* arr = A.ArrayPtr())
        for (Integer d = 0; d < arr->DimCount(); ++d) GIndex[d] = arr->LowBound(d + 1);
}

bool IncVarArrayIndex(const Variant& A)
{
    TVarArray* arr = A.ArrayPtr();
    if (!arr) return false;
    for (Integer d = arr->DimCount() - 1; d >= 0; --d) {
        if (GIndex[d] < arr->HighBound(d + 1)) {
            ++GIndex[d];
            for (Integer e = d + 1; e < arr->DimCount(); ++e) GIndex[e] = arr->LowBound(e + 1);
            return true;
        }
    }
    return false;
}

bool ForEachVarArrayElement(const Variant& A, const TVarArrayElementProc& Proc)
{
    TVarArray* arr = A.ArrayPtr();
    if (!Proc || !arr) return false;
    // An array without elements has nothing to visit; reading its "first"
    // element would fail.
    if (arr->ElementCount() == 0) return true;
    const Integer dims = arr->DimCount();
    ResetVarArrayIndex(A);
    bool cont = true;
    Variant element;
    do {
        GetVarArrayElement(element, A, dims, std::span<const Integer>(GIndex.data(), dims));
        cont = true;
        Proc(element, GIndex, dims - 1, cont);
    } while (cont && IncVarArrayIndex(A));
    return cont;
}

bool ModifyVarArrayElements(Variant& A, const TVarArrayModifyProc& Proc)
{
    TVarArray* arr = A.ArrayPtr();
    if (!Proc || !arr) return false;
    if (arr->ElementCount() == 0) return true;
    const Integer dims = arr->DimCount();
    ResetVarArrayIndex(A);
    bool cont = true;
    Variant element, newValue;
    do {
        const std::span<const Integer> at(GIndex.data(), dims);
        GetVarArrayElement(element, A, dims, at);
        cont = true;
        Proc(element, GIndex, newValue, cont);
        if (cont) PutVarArrayElement(A, newValue, dims, at);
    } while (cont && IncVarArrayIndex(A));
    return cont;
}

bool VarArraysEqual(const Variant& A, const Variant& B, Integer H)
{
    try {
        Variant a, b;
        for (Integer i = 0; i <= H; ++i) {
            const Integer at[1] = {i};
            GetVarArrayElement(a, A, 1, at);
            GetVarArrayElement(b, B, 1, at);
            if (a != b) return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

TVarArray* VarArrayPtr(const Variant& V) { return V.ArrayPtr(); }

void StringToOleVariant(Variant& Result, const Variant& Text)
{
    Result = Variant(Text.AsWideString());
}
