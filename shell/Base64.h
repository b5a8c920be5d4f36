// Base64 decoding ("+" 62, "/" 63, "=" padding).
#pragma once

// Room enough for the bytes decoded from `n` characters.
int Base64DecodedSize(int n);

// Decodes `length` characters (all up to the terminator when negative) into `out`, which
// holds at least Base64DecodedSize(length) bytes; returns the bytes written. White space and
// characters outside the alphabet are skipped, the first "=" ends the data, and a last group
// of two or three characters without padding still gives its one or two bytes.
int Base64Decode(const char* text, int length, void* out);
