// Message boxes, the text-input window and a few small helpers of the same
// layer. The boxes are modal on the editor's thread (see platform/Desktop.h
// for who answers them); without a display they answer at once as a closed
// window would. Never call them on the audio thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Paths.h"

// Message box results.
inline constexpr int MESSAGE_BOX_NO_ANSWER = 0;
inline constexpr int MESSAGE_BOX_OK = 1;
inline constexpr int MESSAGE_BOX_CANCEL = 2;
// Message box types: 1 offers OK and Cancel, every other value OK only.
inline constexpr int MESSAGE_BOX_OK_CANCEL = 1;
inline constexpr int MESSAGE_BOX_OK_ONLY = 2;

int messageBox(const std::string& text, int type);
int messageBox(const char* text, int type);  // null text: nothing shown, 0
int messageBox2(const std::string& text, int type);  // empty text: nothing shown, 0
int messageBoxCancel(const char* text);

// The buffer is the caller's 256-byte buffer: the field starts with its text;
// OK writes the entry into it (at most 255 bytes, cut at a whole UTF-8
// character), Cancel or a closed window empties it.
void inputBox(const std::string& text, const std::string& headline, char* buffer);
void inputBox(const char* text, const char* headline, char* buffer);
std::string inputBoxStr(const std::string& text, const std::string& headline);
void inputBoxStr(const std::string& text, const std::string& headline, std::string& result);
// A number typed into an empty field: true when one was entered (and, in the
// second form, lies in [minimum, maximum]); value is the number or -1.
bool inputBoxNumStr(const std::string& text, const std::string& headline, std::string& result, int& value);
bool inputBoxNumStr(const std::string& text, const std::string& headline, std::string& result, int minimum,
                    int maximum, int& value);
int inputBox2(const char* text, const char* headline, const char* buffer);
// The box itself; the headline comes first here.
void runInputWindow(const char* headline, const char* text, char* buffer);

// Reads a leading optionally signed decimal integer as the number entry does:
// false for no digit after the sign or a number beyond int.
bool parseLeadingInt(const std::string& text, int& value);

// ---- small helpers
// value in decimal, cut to at most maxLength characters (1..255).
char* itoa(int value, char* buffer, int maxLength);
// Milliseconds since the system started, wrapping at 2^32.
uint32_t GetTickCount();
void outInt(int value);
void outFloat(float value);
// output = text without its first strlen(prefix) characters; output is a
// 256-byte buffer and stays empty when the rest would not fit.
void removeSub(const char* prefix, const char* text, char* output);
