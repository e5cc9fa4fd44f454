#pragma once
// Every error number the suite raises, in one list. Each raise names its number from here.
#include <cstdint>

namespace tav::err {

// The run-time's standard errors, raised with their usual texts (VbError::standard).
inline constexpr int32_t InvalidProcedureCall = 5;
inline constexpr int32_t Overflow = 6;
inline constexpr int32_t OutOfMemory = 7;
inline constexpr int32_t SubscriptOutOfRange = 9;
inline constexpr int32_t DivisionByZero = 11;
inline constexpr int32_t TypeMismatch = 13;
inline constexpr int32_t InternalError = 51;
inline constexpr int32_t InvalidUseOfNull = 94;
inline constexpr int32_t InvalidPropertyValue = 380;
inline constexpr int32_t NotSupported = 438; // object doesn't support this property or method

// A control's stored settings could not be read, so the control cannot be created.
inline constexpr int32_t ErrorLoadingFromFile = 31037;

// The registry class: a key could not be made, opened or deleted; a value could not be
// written; the subkeys could not be listed.
inline constexpr int32_t RegistryFailed = 26001;
inline constexpr int32_t RegistrySetValue = int32_t(0x800469A9u);
inline constexpr int32_t RegistryEnumerateSections = int32_t(0x800469AAu);

// The platform's "element not found" failure of a collection lookup.
inline constexpr int32_t ElementNotFound = int32_t(0x8002802Bu);

// The recordset layer.
inline constexpr int32_t NoCurrentRecord = 3021;  // BOF or EOF, no current row
inline constexpr int32_t NotUpdatable = 3251;     // the recordset refuses changes
inline constexpr int32_t ItemNotFound = 3265;     // no field of that name
inline constexpr int32_t ObjectClosed = 3704;     // operation on a closed recordset
inline constexpr int32_t ObjectOpen = 3705;       // operation needs a closed recordset
inline constexpr int32_t ProviderNotFound = 3706; // unknown provider name
inline constexpr int32_t NoConnection = 3709;     // Open without a connection

// The database provider, as its signed 32-bit codes.
inline constexpr int32_t ProviderFailure =
    int32_t(0x80004005u); // file missing, unreadable, not a database
inline constexpr int32_t BadInitString = int32_t(0x80040E73u);    // malformed connection string
inline constexpr int32_t NoSuchTable = int32_t(0x80040E37u);      // table or query missing
inline constexpr int32_t MissingParameter = int32_t(0x80040E10u); // unknown name in the query
inline constexpr int32_t CommandError = int32_t(0x80040E14u);     // syntax error in the query

} // namespace tav::err
