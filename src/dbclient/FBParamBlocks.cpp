#include "dbclient/FBParamBlocks.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "dbclient/FBMessages.h"
#include "dbclient/ibase.h"

namespace {

struct TPBItem {
    const char* Name;
    Integer Code;
};

#define DPB(n) {#n, isc_dpb_##n}
const TPBItem DPBItems[DPBNameCount] = {
    DPB(cdd_pathname), DPB(allocation), DPB(journal), DPB(page_size), DPB(num_buffers),
    DPB(buffer_length), DPB(debug), DPB(garbage_collect), DPB(verify), DPB(sweep),
    DPB(enable_journal), DPB(disable_journal), DPB(dbkey_scope), DPB(number_of_users), DPB(trace),
    DPB(no_garbage_collect), DPB(damaged), DPB(license), DPB(sys_user_name), DPB(encrypt_key),
    DPB(activate_shadow), DPB(sweep_interval), DPB(delete_shadow), DPB(force_write), DPB(begin_log),
    DPB(quit_log), DPB(no_reserve), DPB(user_name), DPB(password), DPB(password_enc),
    DPB(sys_user_name_enc), DPB(interp), DPB(online_dump), DPB(old_file_size), DPB(old_num_files),
    DPB(old_file), DPB(old_start_page), DPB(old_start_seqno), DPB(old_start_file), DPB(drop_walfile),
    DPB(old_dump_id), DPB(wal_backup_dir), DPB(wal_chkptlen), DPB(wal_numbufs), DPB(wal_bufsize),
    DPB(wal_grp_cmt_wait), DPB(lc_messages), DPB(lc_ctype), DPB(cache_manager), DPB(shutdown),
    DPB(online), DPB(shutdown_delay), DPB(reserved), DPB(overwrite), DPB(sec_attach),
    DPB(disable_wal), DPB(connect_timeout), DPB(dummy_packet_interval), DPB(gbak_attach), DPB(sql_role_name),
    DPB(set_page_buffers), DPB(working_directory), DPB(sql_dialect), DPB(set_db_readonly), DPB(set_db_sql_dialect),
    DPB(gfix_attach), DPB(gstat_attach),
};
#undef DPB

#define TPB(n) {#n, isc_tpb_##n}
const TPBItem TPBItems[TPBNameCount] = {
    TPB(consistency), TPB(concurrency), TPB(shared), TPB(protected), TPB(exclusive),
    TPB(wait), TPB(nowait), TPB(read), TPB(write), TPB(lock_read),
    TPB(lock_write), TPB(verb_time), TPB(commit_time), TPB(ignore_limbo), TPB(read_committed),
    TPB(autocommit), TPB(rec_version), TPB(no_rec_version), TPB(restart_requests), TPB(no_auto_undo),
};
#undef TPB

AnsiString TrimControl(const AnsiString& S) {
    size_t b = 0, e = S.size();
    while (b < e && static_cast<unsigned char>(S[b]) < 33) ++b;
    while (e > b && static_cast<unsigned char>(S[e - 1]) < 33) --e;
    return S.substr(b, e - b);
}

AnsiString LowerAscii(AnsiString S) {
    for (char& c : S)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return S;
}

// Name (lower case, prefix dropped) and value of one trimmed line.
void ParseLine(const AnsiString& Line, const char* Prefix, AnsiString& Name, AnsiString& Value) {
    size_t eq = Line.find('=');
    Name = LowerAscii(eq == AnsiString::npos ? Line : Line.substr(0, eq));
    Value = eq == AnsiString::npos ? AnsiString() : Line.substr(eq + 1);
    if (!Name.empty() && Name[0] == 'i' && Name.compare(0, 8, Prefix) == 0) Name.erase(0, 8);
}

Integer LookUp(const TPBItem* Items, Integer Count, const AnsiString& Name) {
    for (Integer i = 0; i < Count; ++i)
        if (Name == Items[i].Name) return Items[i].Code;
    return 0;
}

// Trims every line in place; returns the trimmed lines.
std::vector<AnsiString> TrimLines(TStrings* Lines) {
    std::vector<AnsiString> result;
    for (Integer i = 0; i < Lines->Count(); ++i) {
        AnsiString s = Lines->Strings(i);
        AnsiString t = TrimControl(s);
        if (t != s) Lines->SetStrings(i, t);
        result.push_back(t);
    }
    return result;
}

Int64 ReadInteger(const AnsiString& Value) { return StrToInt64(Value); }

void AppendCounted(AnsiString& Block, Integer Code, const AnsiString& Value, const char* Prefix,
                   const char* Name) {
    if (Value.size() > 255)
        FBErrorFmt("Parameter (%s%s) value is longer than 255 bytes.", {Prefix, Name});
    Block += static_cast<char>(Code);
    Block += static_cast<char>(Value.size());
    Block += Value;
}

// A numeric item: one value byte when it fits, else the four-byte little-endian
// form the client library reads as well (a cut byte would mean another value).
void AppendNumber(AnsiString& Block, Integer Code, const AnsiString& Name, const AnsiString& Value,
                  bool OneByteWhenItFits) {
    const Int64 n = ReadInteger(Value);
    if (n < INT32_MIN || n > INT32_MAX)
        FBErrorFmt("Parameter (isc_dpb_%s) value %s does not fit in 32 bits.", {Name, Value});
    Block += static_cast<char>(Code);
    if (OneByteWhenItFits && n >= 0 && n <= 255) {
        Block += '\1';
        Block += static_cast<char>(n);
        return;
    }
    const auto u = static_cast<uint32_t>(static_cast<int32_t>(n));
    Block += '\4';
    for (int i = 0; i < 4; ++i) Block += static_cast<char>((u >> (8 * i)) & 0xFF);
}

void CheckBlockLength(const AnsiString& Block) {
    if (Block.size() > 0xFFFF) FBErrorFmt("Parameter block is longer than %d bytes.", {0xFFFF});
}

}  // namespace

AnsiString DPBName(Integer Code) {
    return Code >= 1 && Code <= DPBNameCount ? AnsiString(DPBItems[Code - 1].Name) : AnsiString();
}

AnsiString TPBName(Integer Code) {
    return Code >= 1 && Code <= TPBNameCount ? AnsiString(TPBItems[Code - 1].Name) : AnsiString();
}

Integer DPBCode(const AnsiString& Name) {
    AnsiString n, v;
    ParseLine(Name, "isc_dpb_", n, v);
    return LookUp(DPBItems, DPBNameCount, n);
}

Integer TPBCode(const AnsiString& Name) {
    AnsiString n, v;
    ParseLine(Name, "isc_tpb_", n, v);
    return LookUp(TPBItems, TPBNameCount, n);
}

void GenerateDPB(TStrings* Lines, AnsiString& DPB, Word& DPBLength) {
    AnsiString block(1, static_cast<char>(isc_dpb_version1));
    for (const AnsiString& line : TrimLines(Lines)) {
        if (line.empty()) continue;
        AnsiString name, value;
        ParseLine(line, "isc_dpb_", name, value);
        Integer code = LookUp(DPBItems, DPBNameCount, name);
        switch (code) {
            case isc_dpb_num_buffers: case isc_dpb_verify: case isc_dpb_dbkey_scope: case isc_dpb_damaged:
            case isc_dpb_force_write: case isc_dpb_no_reserve: case isc_dpb_connect_timeout:
            case isc_dpb_dummy_packet_interval:
                AppendNumber(block, code, name, value, true);
                break;
            case isc_dpb_garbage_collect: case isc_dpb_no_garbage_collect: case isc_dpb_activate_shadow:
            case isc_dpb_delete_shadow: case isc_dpb_begin_log: case isc_dpb_quit_log:
                block += static_cast<char>(code);
                block += '\1';
                block += '\0';
                break;
            case isc_dpb_sweep:
                block += static_cast<char>(code);
                block += '\1';
                block += '\2';
                break;
            case isc_dpb_sweep_interval:
                AppendNumber(block, code, name, value, false);
                break;
            case isc_dpb_sql_dialect: {
                if (!value.empty()) {
                    if (value[0] < '0' || value[0] > '9') throw EConvertError(SInvalidInteger, {value});
                    value[0] = static_cast<char>(value[0] - '0');
                }
                AppendCounted(block, code, value, "isc_dpb_", DPBItems[code - 1].Name);
                break;
            }
            case isc_dpb_license: case isc_dpb_sys_user_name: case isc_dpb_encrypt_key: case isc_dpb_user_name:
            case isc_dpb_password: case isc_dpb_password_enc: case isc_dpb_lc_messages: case isc_dpb_lc_ctype:
            case isc_dpb_sql_role_name:
                AppendCounted(block, code, value, "isc_dpb_", DPBItems[code - 1].Name);
                break;
            case 0:
                FBError(9, {name});
            default:
                FBError(8, {AnsiString(DPBItems[code - 1].Name)});
        }
    }
    CheckBlockLength(block);
    DPB = block;
    DPBLength = static_cast<Word>(block.size());
}

void GenerateTPB(TStrings* Lines, AnsiString& TPB, Word& TPBLength) {
    std::vector<AnsiString> lines = TrimLines(Lines);
    if (lines.empty()) {
        TPB.clear();
        TPBLength = 0;
        return;
    }
    AnsiString block(1, static_cast<char>(isc_tpb_version3));
    for (const AnsiString& line : lines) {
        if (line.empty()) continue;
        AnsiString name, value;
        ParseLine(line, "isc_tpb_", name, value);
        Integer code = LookUp(TPBItems, TPBNameCount, name);
        switch (code) {
            case isc_tpb_lock_read: case isc_tpb_lock_write:
                AppendCounted(block, code, value, "isc_tpb_", TPBItems[code - 1].Name);
                break;
            case isc_tpb_verb_time: case isc_tpb_commit_time: case isc_tpb_autocommit:
            case isc_tpb_restart_requests:
                FBError(10, {AnsiString(TPBItems[code - 1].Name)});
            case 0:
                FBError(11, {name});
            default:
                block += static_cast<char>(code);
        }
    }
    CheckBlockLength(block);
    TPB = block;
    TPBLength = static_cast<Word>(block.size());
}
