// Drive letters that a test makes and takes away: under Wine a drive is a
// link in the prefix's dosdevices folder, made with the Linux ln.
#ifndef TEST_DRIVES_H
#define TEST_DRIVES_H

#include <string>

// Makes letter: (lower case, "r") the root of folder; empty, or why it
// cannot (not under Wine, the letter taken).
std::string MakeDrive(char letter, const std::string &folder);

// Takes the drive made by MakeDrive away again.
void RemoveDrive(char letter);

#endif
