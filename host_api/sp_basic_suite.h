#pragma once

// The host's basic suite: every other suite is acquired through it by
// registered name and version, and released with the same name and version.

#include <cstddef>
#include <cstdint>

extern "C" {

typedef int32_t SPErr;
typedef uint8_t SPBoolean;

// Four-character error codes, stored as the host stores them.
enum : SPErr {
  kSPNoError = 0,
  kSPSuiteNotFoundError = 0x53214664,  // 'S!Fd'
  kSPBadParameterError = 0x5061726d,   // 'Parm'
  kSPOutOfMemoryError = 0x216d656d,    // '!mem'
};

struct SPBasicSuite {
  // Stores the suite's function table in *suite; kSPSuiteNotFoundError (and
  // *suite null) when the host has no suite of that name and version.
  SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
  SPErr (*ReleaseSuite)(const char* name, int32_t version);
  SPBoolean (*IsEqual)(const char* token1, const char* token2);
  SPErr (*AllocateBlock)(size_t size, void** block);
  SPErr (*FreeBlock)(void* block);
  SPErr (*ReallocateBlock)(void* block, size_t new_size, void** new_block);
  SPErr (*Undefined)(void);
};

}  // extern "C"
