// Single values of the product key: string and number reads and writes, and
// the error box that explains a refusal of the registry.
#ifndef DUPLIX_REG_VALUE_H
#define DUPLIX_REG_VALUE_H

#include <windows.h>

// The one key that holds all settings, below the root the caller passes.
#define PRODUCT_KEY "Software\\VELT Software\\Duplix"

// Every operation opens (creating when missing) and closes the product key
// itself; no key handle lives between calls. Bad arguments and refusals of
// the registry are shown in a box at once; a missing value is not an error.

// Reads a string value into buffer, which must hold MAX_PATH (260) bytes.
// Returns 1 with the text, always terminated, also when it was stored
// without its zero. Returns 0 with an empty buffer when the value is missing
// or does not fit 259 characters and a zero (260 bytes that do not end in a
// zero included). The stored type is not looked at: a value of another type
// comes out as its bytes, terminated.
int ReadRegString(HKEY hRoot, const char *name, char *buffer);

// Reads many string values with the key opened once: next(name, context)
// names each value in turn (MAX_PATH bytes) and returns 0 when there are no
// more; found(text, context) takes each text, terminated as ReadRegString
// terminates it, and returns 0 to stop. Stops at the first value missing.
// Returns how many were found; shows nothing (a missing key reads as none).
int ReadRegStrings(HKEY hRoot, int (*next)(char *name, void *context),
                   int (*found)(const char *text, void *context), void *context);

// Stores text (which may be empty) as REG_SZ with its zero. Returns 1 or 0.
int WriteRegString(HKEY hRoot, const char *name, const char *text);

// Reads any value of exactly 4 bytes as a signed number. Returns -1 when the
// value is missing or is shorter or longer than 4 bytes (a stored -1 reads
// the same).
int ReadRegDword(HKEY hRoot, const char *name);

// Stores the number as REG_DWORD. Returns 1 or 0.
int WriteRegDword(HKEY hRoot, const char *name, int value);

// With quiet set, refusals and bad arguments are not shown: the calls only
// return their failure. For background programs; off unless set.
void SetRegistryErrorsQuiet(int quiet);

// Shows text, an empty line and the system's text for the calling thread's
// last-error value, in an error box brought to the front. Shows text alone
// when the system has no text for the code.
void ShowSystemError(const char *text);

#endif
