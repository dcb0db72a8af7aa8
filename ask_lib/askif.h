// askif.h -- yes/no questions, questions that show a current value, and file-name questions.
// All of them put their question through the question engine.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// A yes/no question: Y or y is yes; N, n or an empty answer is no; anything else asks again.
bool ask_if(std::string_view prompt);
// The same with flag offered as the default ({Y} or {N}); flag receives the answer.
bool ask_ifd(std::string_view prompt, bool& flag);
// Shows prompt and the current value in brackets, then reads a new one after ": ". type "I"
// or "R" says what the four bytes hold; an empty answer stores the parse default.
void replace(std::string_view prompt, const std::int32_t& iold, std::int32_t& inew,
             std::string_view type);
void replace(std::string_view prompt, const float& iold, float& inew, std::string_view type);
// Offers cold as "prompt [cold] >"; cnew receives the answer, or cold on an empty answer.
void creplace(std::string_view prompt, std::string_view cold, std::span<char> cnew);
// Asks for a file name and opens it on unit: mode "R" an existing file, "U" created when
// missing, "W" written anew whole (fio_open_whole: askfile_commit puts the lines in place;
// closed before, the file stays as it was). istat: 1 no name given (unit untouched), 0 opened,
// -1 not opened (with a message).
void askfile(std::string_view prompt, int unit, std::string_view mode, int& istat);
// Ends a file that askfile opened in mode "W": true when its lines are in place; false when
// they could not be, after saying why (the file is then as it was).
bool askfile_commit(int unit);
