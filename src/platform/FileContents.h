// One file's content, read and written: a text file read whole and replaced
// atomically and durably (as a copy is, see CopySet.h); a binary record read
// and patched in place, the rest of its file untouched.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace platform {

class FileOperation;

// Reads a whole file as text, line ends included.
std::string readTextFile(const std::string& path);
// Replaces a file's whole content with the text: atomically and on disk
// when the call returns, as a copy is.
void writeTextFile(const std::string& path, const std::string& text);
// The same within an operation that looks the folder up once for all its
// steps.
void writeTextFile(FileOperation& operation, const std::string& path, const std::string& text);

// Binary record access. Opening a record file creates it when it is missing
// (in an existing folder) and never truncates it. A record is written in
// place, not by replacing the file: the file keeps any bytes beyond the
// record, its identity and its mode, as a binary write at byte 1 does.
//
// Reads the first `length` bytes of the file. The result always has
// `length` characters: past the end of a shorter file it holds NUL bytes.
// `got`, when given, receives how many bytes the file gave.
std::string readRecord(const std::string& path, std::size_t length, std::size_t* got = nullptr);
// Writes the record at byte 1 of the file; bytes beyond it stay as they were.
// A read-only file is refused.
void writeRecord(const std::string& path, const std::string& record);
// Reads a record as readRecord does, lets `change` edit it, and writes it
// back as writeRecord does, through one opening of the file. Fails, before
// anything is read, where writeRecord would. Returns the record written.
std::string updateRecord(const std::string& path, std::size_t length,
                         const std::function<void(std::string&)>& change);

}  // namespace platform
