#pragma once
// Files, folders and file names. Names are AnsiString (code page 1254) and
// are handed to the system as UTF-8. The path delimiter is '/'.
#include "platform/rtl/System.h"

#include <string>

#include <memory>

constexpr char PathDelim = '/';
constexpr char DriveDelim = '\0';
constexpr char PathSep = ':';

bool FileExists(const AnsiString& FileName);        // a file (not a folder)
bool DirectoryExists(const AnsiString& Directory);
bool ForceDirectories(const AnsiString& Dir);       // makes every missing level; false on failure or empty name
bool CreateDir(const AnsiString& Dir);
bool RemoveDir(const AnsiString& Dir);              // empty folders only
bool DeleteFile(const AnsiString& FileName);
bool RenameFile(const AnsiString& OldName, const AnsiString& NewName);

AnsiString ExtractFilePath(const AnsiString& FileName);   // up to and including the last '/'
AnsiString ExtractFileDir(const AnsiString& FileName);    // the same without the trailing '/' (except root)
AnsiString ExtractFileName(const AnsiString& FileName);
AnsiString ExtractFileExt(const AnsiString& FileName);    // ".ext" of the name part, '' without one
AnsiString ChangeFileExt(const AnsiString& FileName, const AnsiString& Extension);
AnsiString IncludeTrailingPathDelimiter(const AnsiString& S);
AnsiString ExcludeTrailingPathDelimiter(const AnsiString& S);  // keeps a lone "/"
// Absolute, with "." and ".." resolved textually; relative names start at
// the current folder.
AnsiString ExpandFileName(const AnsiString& FileName);
AnsiString GetCurrentDir();
AnsiString GetTempDir();   // $TMPDIR or /tmp, with a trailing '/'
AnsiString GetHomeDir();   // $HOME (or the password entry), with a trailing '/'

// Modification time. FileAge: -1 when the file is missing (a packed DOS
// date-time otherwise); FileAge with TDateTime: false when missing.
Integer FileAge(const AnsiString& FileName);
bool FileAge(const AnsiString& FileName, TDateTime& FileDateTime);
Integer DateTimeToFileDate(TDateTime DateTime);
TDateTime FileDateToDateTime(Integer FileDate);
Int64 FileSize(const AnsiString& FileName);   // -1 when missing

// Search of one folder by a wildcard mask ('*' any run, '?' one character;
// "*.*" matches everything). Attributes: faDirectory for folders, faReadOnly
// for files we may not write, faHidden for names starting with '.', faSymLink
// (beside those of the target, if any) for symbolic links.
constexpr Integer faReadOnly = 0x01;
constexpr Integer faHidden = 0x02;
constexpr Integer faSysFile = 0x04;
constexpr Integer faVolumeID = 0x08;
constexpr Integer faDirectory = 0x10;
constexpr Integer faArchive = 0x20;
constexpr Integer faSymLink = 0x40;
constexpr Integer faAnyFile = 0x3F;

struct TSearchRec {
    Integer Time = 0;          // packed DOS date-time of the modification
    Int64 Size = 0;
    Integer Attr = 0;
    AnsiString Name;           // name only, without the folder
    Integer ExcludeAttr = 0;
    TDateTime TimeStamp = 0;   // modification as TDateTime
    std::shared_ptr<void> FindHandle;
};

// Result 0 on success, otherwise a system error code (2 when nothing matches).
// Entries whose attributes include an attribute outside Attr among faHidden,
// faSysFile and faDirectory are skipped, as the system did. "." and ".." are
// never returned.
Integer FindFirst(const AnsiString& Path, Integer Attr, TSearchRec& F);
Integer FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// Replaces FileName with Data at once: writes a temporary file beside it,
// flushes it and renames it over the old one, so a failure never leaves half
// a file. EFCreateError "Cannot create file \"%s\". %s" on failure (the old
// file is then untouched).
// Its temporary is "<name>.tmpXXXXXX"; leftovers of writes of the same
// target killed half-way are removed by its next write.
void SaveFileAtomically(const AnsiString& FileName, const AnsiString& Data);
// The same for a file written piece by piece: Write appends to a temporary file
// beside FileName, Commit flushes it and renames it over FileName. Destroyed
// without Commit (a failure on the way), the temporary file goes and FileName
// stays as it was. EFCreateError as above.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const AnsiString& FileName);
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
    void Write(const char* Data, size_t Size);
    void Commit();

private:
    [[noreturn]] void Fail(int Err);
    AnsiString FFileName;
    std::string FTarget, FTemp;
    int FFd = -1;
    int FLock = -1;  // held while writing: not a leftover of a killed write
    bool FDone = false;
};

// Temporary files of writes: the writer holds a lock on its own file while it
// writes (LockTempFile: an open descriptor of it, kept until the file has its
// final name), so that RemoveTempLeftovers, run by the next write in Dir,
// removes only what killed writes left: regular files of this user named
// Prefix and six letters or digits (the names mkstemp makes from it), that no
// one holds locked. LockTempFile returns the descriptor to close afterwards,
// -1 on failure.
int LockTempFile(const std::string& NativePath);
void RemoveTempLeftovers(const std::string& NativeDir, const std::string& Prefix);
// Whole file as bytes; EFOpenError when it cannot be read.
AnsiString LoadFileToString(const AnsiString& FileName);

// Wildcard match of a file name ('*', '?'); case-sensitive as the file system.
bool MatchesMask(const AnsiString& FileName, const AnsiString& Mask);
