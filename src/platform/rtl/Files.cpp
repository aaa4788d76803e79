#include "platform/rtl/Files.h"

#include "platform/rtl/Classes.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/file.h>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Native(const AnsiString& Name)
{
    return AnsiToUtf8(Name);
}

bool StatOf(const AnsiString& Name, struct stat& St)
{
    return !Name.empty() && ::stat(Native(Name).c_str(), &St) == 0;
}

Integer PackDosTime(std::time_t T)
{
    struct tm Tm;
    if (!::localtime_r(&T, &Tm)) return -1;
    if (Tm.tm_year < 80) return -1;
    UInt64 V = (static_cast<UInt64>(Tm.tm_year - 80) << 25) | (static_cast<UInt64>(Tm.tm_mon + 1) << 21) |
               (static_cast<UInt64>(Tm.tm_mday) << 16) | (static_cast<UInt64>(Tm.tm_hour) << 11) |
               (static_cast<UInt64>(Tm.tm_min) << 5) | static_cast<UInt64>(Tm.tm_sec / 2);
    return static_cast<Integer>(static_cast<Cardinal>(V));
}

TDateTime UnixToDateTime(std::time_t T, long NanoSec)
{
    struct tm Tm;
    ::localtime_r(&T, &Tm);
    TDateTime D = 0;
    if (!TryEncodeDate(static_cast<Word>(Tm.tm_year + 1900), static_cast<Word>(Tm.tm_mon + 1),
                       static_cast<Word>(Tm.tm_mday), D))
        return 0;
    Double Frac = (Tm.tm_hour * 3600.0 + Tm.tm_min * 60.0 + Tm.tm_sec + NanoSec / 1e9) / 86400.0;
    return D >= 0 ? D + Frac : D - Frac;
}

AnsiString WithSlash(const char* Dir)
{
    AnsiString S = Utf8ToAnsi(Dir ? Dir : "");
    return IncludeTrailingPathDelimiter(S);
}

}  // namespace

bool FileExists(const AnsiString& FileName)
{
    struct stat St;
    return StatOf(FileName, St) && !S_ISDIR(St.st_mode);
}

bool DirectoryExists(const AnsiString& Directory)
{
    struct stat St;
    return StatOf(Directory, St) && S_ISDIR(St.st_mode);
}

bool CreateDir(const AnsiString& Dir)
{
    return !Dir.empty() && ::mkdir(Native(Dir).c_str(), 0777) == 0;
}

bool ForceDirectories(const AnsiString& Dir)
{
    if (Dir.empty()) return false;
    AnsiString D = ExcludeTrailingPathDelimiter(ExpandFileName(Dir));
    if (DirectoryExists(D)) return true;
    AnsiString Parent = ExtractFileDir(D);
    if (Parent == D) return false;   // the root that does not exist
    if (!ForceDirectories(Parent)) return false;
    return CreateDir(D) || DirectoryExists(D);
}

bool RemoveDir(const AnsiString& Dir)
{
    return !Dir.empty() && ::rmdir(Native(Dir).c_str()) == 0;
}

bool DeleteFile(const AnsiString& FileName)
{
    if (DirectoryExists(FileName)) return false;
    return !FileName.empty() && ::unlink(Native(FileName).c_str()) == 0;
}

bool RenameFile(const AnsiString& OldName, const AnsiString& NewName)
{
    if (OldName.empty() || NewName.empty()) return false;
    // The framework refused to overwrite; so do we.
    struct stat St;
    if (::lstat(Native(NewName).c_str(), &St) == 0) return false;
    return ::rename(Native(OldName).c_str(), Native(NewName).c_str()) == 0;
}

AnsiString ExtractFilePath(const AnsiString& FileName)
{
    auto P = FileName.rfind(PathDelim);
    return P == AnsiString::npos ? AnsiString() : FileName.substr(0, P + 1);
}

AnsiString ExtractFileDir(const AnsiString& FileName)
{
    auto P = FileName.rfind(PathDelim);
    if (P == AnsiString::npos) return AnsiString();
    if (P > 0) return FileName.substr(0, P);
    return FileName.substr(0, 1);
}

AnsiString ExtractFileName(const AnsiString& FileName)
{
    auto P = FileName.rfind(PathDelim);
    return P == AnsiString::npos ? FileName : FileName.substr(P + 1);
}

AnsiString ExtractFileExt(const AnsiString& FileName)
{
    auto P = FileName.find_last_of(AnsiString(1, '.') + PathDelim);
    if (P == AnsiString::npos || FileName[P] != '.') return AnsiString();
    return FileName.substr(P);
}

AnsiString ChangeFileExt(const AnsiString& FileName, const AnsiString& Extension)
{
    auto P = FileName.find_last_of(AnsiString(1, '.') + PathDelim);
    if (P == AnsiString::npos || FileName[P] != '.') return FileName + Extension;
    return FileName.substr(0, P) + Extension;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& S)
{
    if (!S.empty() && S.back() == PathDelim) return S;
    return S + PathDelim;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& S)
{
    AnsiString R = S;
    while (R.size() > 1 && R.back() == PathDelim) R.pop_back();
    return R;
}

AnsiString GetCurrentDir()
{
    std::vector<char> Buf(4096);
    while (!::getcwd(Buf.data(), Buf.size())) {
        if (errno != ERANGE) return AnsiString();
        Buf.resize(Buf.size() * 2);
    }
    return Utf8ToAnsi(Buf.data());
}

AnsiString ExpandFileName(const AnsiString& FileName)
{
    if (FileName.empty()) return AnsiString();
    AnsiString Full = FileName[0] == PathDelim ? FileName : IncludeTrailingPathDelimiter(GetCurrentDir()) + FileName;
    bool TrailingSlash = Full.size() > 1 && Full.back() == PathDelim;
    std::vector<AnsiString> Parts;
    size_t P = 0;
    while (P <= Full.size()) {
        size_t Q = Full.find(PathDelim, P);
        if (Q == AnsiString::npos) Q = Full.size();
        AnsiString Part = Full.substr(P, Q - P);
        if (Part == "..") {
            if (!Parts.empty()) Parts.pop_back();
        } else if (!Part.empty() && Part != ".") {
            Parts.push_back(Part);
        }
        P = Q + 1;
    }
    AnsiString Result;
    for (auto& Part : Parts) Result += PathDelim + Part;
    if (Result.empty()) return AnsiString(1, PathDelim);
    if (TrailingSlash) Result += PathDelim;
    return Result;
}

AnsiString GetTempDir()
{
    const char* T = std::getenv("TMPDIR");
    if (!T || !*T) T = "/tmp";
    return WithSlash(T);
}

AnsiString GetHomeDir()
{
    const char* H = std::getenv("HOME");
    if (!H || !*H) {
        struct passwd* Pw = ::getpwuid(::getuid());
        H = Pw && Pw->pw_dir ? Pw->pw_dir : "/";
    }
    return WithSlash(H);
}

Integer FileAge(const AnsiString& FileName)
{
    struct stat St;
    if (!StatOf(FileName, St) || S_ISDIR(St.st_mode)) return -1;
    return PackDosTime(St.st_mtim.tv_sec);
}

bool FileAge(const AnsiString& FileName, TDateTime& FileDateTime)
{
    struct stat St;
    if (!StatOf(FileName, St) || S_ISDIR(St.st_mode)) return false;
    FileDateTime = UnixToDateTime(St.st_mtim.tv_sec, St.st_mtim.tv_nsec);
    return true;
}

Integer DateTimeToFileDate(TDateTime DateTime)
{
    Word Y, M, D, H, N, S, MS;
    DecodeDate(DateTime, Y, M, D);
    DecodeTime(DateTime, H, N, S, MS);
    if (Y < 1980 || Y > 2107) return 0;
    UInt64 V = (static_cast<UInt64>(Y - 1980) << 25) | (static_cast<UInt64>(M) << 21) |
               (static_cast<UInt64>(D) << 16) | (static_cast<UInt64>(H) << 11) | (static_cast<UInt64>(N) << 5) |
               static_cast<UInt64>(S / 2);
    return static_cast<Integer>(static_cast<Cardinal>(V));
}

TDateTime FileDateToDateTime(Integer FileDate)
{
    auto V = static_cast<Cardinal>(FileDate);
    TDateTime D = 0, T = 0;
    if (!TryEncodeDate(static_cast<Word>((V >> 25) + 1980), static_cast<Word>((V >> 21) & 15),
                       static_cast<Word>((V >> 16) & 31), D))
        throw EConvertError("Invalid argument to date encode");
    if (!TryEncodeTime(static_cast<Word>((V >> 11) & 31), static_cast<Word>((V >> 5) & 63),
                       static_cast<Word>((V & 31) * 2), 0, T))
        throw EConvertError("Invalid argument to time encode");
    return D + T;
}

Int64 FileSize(const AnsiString& FileName)
{
    struct stat St;
    if (!StatOf(FileName, St) || S_ISDIR(St.st_mode)) return -1;
    return static_cast<Int64>(St.st_size);
}

// ---------------------------------------------------------------------------

bool MatchesMask(const AnsiString& FileName, const AnsiString& Mask)
{
    AnsiString M = Mask == "*.*" ? AnsiString("*") : Mask;
    // Iterative wildcard match with one back-track point.
    size_t N = 0, P = 0, StarP = AnsiString::npos, StarN = 0;
    while (N < FileName.size()) {
        if (P < M.size() && (M[P] == '?' || M[P] == FileName[N])) {
            ++N;
            ++P;
        } else if (P < M.size() && M[P] == '*') {
            StarP = P++;
            StarN = N;
        } else if (StarP != AnsiString::npos) {
            P = StarP + 1;
            N = ++StarN;
        } else {
            return false;
        }
    }
    while (P < M.size() && M[P] == '*') ++P;
    return P == M.size();
}

namespace {

struct TFindState {
    DIR* Dir = nullptr;
    AnsiString Folder;
    AnsiString Mask;
    ~TFindState()
    {
        if (Dir) ::closedir(Dir);
    }
};

Integer FindMatching(TSearchRec& F)
{
    auto* State = static_cast<TFindState*>(F.FindHandle.get());
    if (!State || !State->Dir) return 18;
    while (struct dirent* E = ::readdir(State->Dir)) {
        AnsiString Name = Utf8ToAnsi(E->d_name);
        if (Name == "." || Name == "..") continue;
        if (!MatchesMask(Name, State->Mask)) continue;
        struct stat St;
        AnsiString Full = State->Folder + Name;
        if (::lstat(Native(Full).c_str(), &St) != 0) continue;
        // Links are marked (and describe their target when it exists): a link
        // to a folder above must not pass for a plain sub-folder, or a walk
        // down the sub-folders would never end.
        Integer Attr = 0;
        if (S_ISLNK(St.st_mode)) {
            Attr |= faSymLink;
            struct stat Target;
            if (::stat(Native(Full).c_str(), &Target) == 0) St = Target;
        }
        if (S_ISDIR(St.st_mode)) Attr |= faDirectory;
        if (Name[0] == '.') Attr |= faHidden;
        if (!S_ISDIR(St.st_mode) && ::access(Native(Full).c_str(), W_OK) != 0) Attr |= faReadOnly;
        if (!S_ISDIR(St.st_mode) && !S_ISREG(St.st_mode) && !S_ISLNK(St.st_mode)) Attr |= faSysFile;
        if (Attr & F.ExcludeAttr) continue;
        F.Name = Name;
        F.Attr = Attr;
        F.Size = static_cast<Int64>(St.st_size);
        F.Time = PackDosTime(St.st_mtim.tv_sec);
        F.TimeStamp = UnixToDateTime(St.st_mtim.tv_sec, St.st_mtim.tv_nsec);
        return 0;
    }
    return 18;
}

}  // namespace

Integer FindFirst(const AnsiString& Path, Integer Attr, TSearchRec& F)
{
    FindClose(F);
    auto State = std::make_shared<TFindState>();
    State->Folder = ExtractFilePath(Path);
    State->Mask = ExtractFileName(Path);
    AnsiString Folder = State->Folder.empty() ? AnsiString(".") : State->Folder;
    State->Dir = ::opendir(Native(Folder).c_str());
    if (!State->Dir) return errno ? errno : 2;
    F.ExcludeAttr = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    F.FindHandle = State;
    Integer R = FindMatching(F);
    if (R != 0) {
        FindClose(F);
        return 2;
    }
    return 0;
}

Integer FindNext(TSearchRec& F)
{
    return FindMatching(F);
}

void FindClose(TSearchRec& F)
{
    F.FindHandle.reset();
}

// ---------------------------------------------------------------------------

int LockTempFile(const std::string& NativePath)
{
    int Fd = ::open(NativePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (Fd >= 0 && ::flock(Fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(Fd);
        return -1;
    }
    return Fd;
}

void RemoveTempLeftovers(const std::string& NativeDir, const std::string& Prefix)
{
    std::string Dir = NativeDir.empty() ? std::string("./") : NativeDir;
    if (Dir.back() != '/') Dir += '/';
    DIR* D = ::opendir(Dir.c_str());
    if (!D) return;
    while (dirent* E = ::readdir(D)) {
        std::string Name = E->d_name;
        // Only the names mkstemp makes from this prefix: a user's "notes.tmpbackup" is not ours.
        if (Name.size() != Prefix.size() + 6 || Name.compare(0, Prefix.size(), Prefix) != 0) continue;
        bool Suffix = true;
        for (size_t I = Name.size() - 6; I < Name.size(); ++I)
            Suffix = Suffix && std::isalnum(static_cast<unsigned char>(Name[I]));
        if (!Suffix) continue;
        std::string Path = Dir + Name;
        struct stat St;
        if (::lstat(Path.c_str(), &St) != 0 || !S_ISREG(St.st_mode) || St.st_uid != ::getuid()) continue;
        // A write still running holds its file locked.
        int Fd = LockTempFile(Path);
        if (Fd < 0) continue;
        ::unlink(Path.c_str());
        ::close(Fd);
    }
    ::closedir(D);
}

TAtomicFileWriter::TAtomicFileWriter(const AnsiString& FileName) : FFileName(FileName)
{
    FTarget = Native(FileName);
    FTemp = FTarget + ".tmpXXXXXX";
    FFd = ::mkstemp(FTemp.data());
    if (FFd < 0) {
        const int Err = errno;
        throw EFCreateError(Format("Cannot create file \"%s\". %s", {FileName, SysErrorMessage(Err)}), FileName, Err);
    }
    FLock = LockTempFile(FTemp);
    const size_t Slash = FTarget.rfind('/');
    const size_t NameStart = Slash == std::string::npos ? 0 : Slash + 1;
    RemoveTempLeftovers(FTarget.substr(0, NameStart), FTarget.substr(NameStart) + ".tmp");
    // Keep the mode of the file being replaced; a new file gets the usual one.
    struct stat St;
    mode_t Mode = 0666;
    if (::stat(FTarget.c_str(), &St) == 0) {
        Mode = St.st_mode & 07777;
    } else {
        mode_t Mask = ::umask(0);
        ::umask(Mask);
        Mode &= ~Mask;
    }
    ::fchmod(FFd, Mode);
}

TAtomicFileWriter::~TAtomicFileWriter()
{
    if (FFd >= 0) ::close(FFd);
    if (!FDone) ::unlink(FTemp.c_str());
    if (FLock >= 0) ::close(FLock);
}

void TAtomicFileWriter::Fail(int Err)
{
    if (FFd >= 0) ::close(FFd);
    FFd = -1;
    ::unlink(FTemp.c_str());
    if (FLock >= 0) ::close(FLock);
    FLock = -1;
    FDone = true;
    throw EFCreateError(Format("Cannot create file \"%s\". %s", {FFileName, SysErrorMessage(Err)}), FFileName, Err);
}

void TAtomicFileWriter::Write(const char* Data, size_t Size)
{
    if (FDone || FFd < 0) throw EFCreateError("Cannot create file \"%s\". %s", {FFileName, AnsiString("closed")});
    size_t Done = 0;
    while (Done < Size) {
        ssize_t N = ::write(FFd, Data + Done, Size - Done);
        if (N < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        Done += static_cast<size_t>(N);
    }
}

void TAtomicFileWriter::Commit()
{
    if (FDone || FFd < 0) throw EFCreateError("Cannot create file \"%s\". %s", {FFileName, AnsiString("closed")});
    if (::fsync(FFd) != 0) Fail(errno);
    const int Fd = FFd;
    FFd = -1;
    if (::close(Fd) != 0) Fail(errno);
    if (::rename(FTemp.c_str(), FTarget.c_str()) != 0) Fail(errno);
    FDone = true;
}

void SaveFileAtomically(const AnsiString& FileName, const AnsiString& Data)
{
    TAtomicFileWriter File(FileName);
    File.Write(Data.data(), Data.size());
    File.Commit();
}

AnsiString LoadFileToString(const AnsiString& FileName)
{
    TFileStream Stream(FileName, fmOpenRead);
    AnsiString Result;
    Int64 Size = Stream.Size();
    if (Size > 0) {
        Result.resize(static_cast<size_t>(Size));
        Stream.ReadBuffer(Result.data(), static_cast<Integer>(Size));
    }
    return Result;
}
