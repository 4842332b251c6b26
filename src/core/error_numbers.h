// Error numbers by name.  Every error the system raises is one of these
// numbers; programs see the number (ERR, SETERR, ERR=), the console shows
// the text of lib/messages.txt under the same number.  A name states the
// meaning the message file gives; where one number covers several faults the
// comment lists them.  Numbers 256 and up stand for a host error (errno + 256)
// and are built with err::from_errno.
//
//   Rpt_error(err::MISSING_RECORD);
//   catch (const Oru_error& e) { if (e.no == err::END_OF_FILE) ... }
//
// The names convert to int, so they go wherever an error number went before.
// tools/name_errors.py turns bare numbers in raising calls into these names.
#pragma once

namespace err {

enum : int {
  RECORD_BUSY = 0,            // record in use (a busy retry takes it)
  RECORD_TOO_LONG = 1,        // record too long for the file
  END_OF_FILE = 2,            // end of file
  KEY_NOT_FOUND = 3,          // key not found (also a network read timeout)
  WRITE_FAILED = 4,           // write failed or no such drive
  BAD_UTF8 = 5,               // malformed UTF-8 sequence
  BLOCK_WRITE_FAILED = 8,     // block write failed
  BAD_FILE_NAME = 10,         // invalid file name
  MISSING_RECORD = 11,        // record or key not found
  FILE_NOT_FOUND = 12,        // file not found
  WRONG_MODE = 13,            // channel not open or wrong file mode
  CHANNEL_STATE = 14,         // channel not open, already open, or file not opened exclusively
  OPERATION_FAILED = 15,      // operation failed
  FILE_TOO_LARGE = 16,        // file too large or write failed
  WRONG_FILE_KIND = 17,       // wrong kind of file
  NO_PROGRAM_LINES = 18,      // no program lines in the file
  LINE_TOO_LONG = 19,         // line too long
  SYNTAX = 20,                // syntax error
  LINE_NUMBER_RANGE = 21,     // line number out of range
  TEXT_AFTER_STATEMENT = 22,  // unexpected text after the statement
  BAD_NAME = 23,              // invalid name or field description
  NAME_TWICE = 24,            // name defined twice
  FUNCTION_UNDEFINED = 25,    // user function not defined or arguments do not match
  TYPE_MISMATCH = 26,         // type mismatch
  NOTHING_TO_RETRY = 27,      // no matching block, frame or error to retry
  NEXT_WITHOUT_FOR = 28,      // NEXT without matching FOR
  BAD_MNEMONIC = 29,          // invalid mnemonic
  NESTING_TOO_DEEP = 30,      // nesting too deep
  MEMORY_LIMIT = 31,          // memory limit reached
  MISSING_KEY_DESC = 32,      // missing key description or IOLIST nested too deep
  OUT_OF_MEMORY = 33,         // out of memory
  NOT_AT_CONSOLE = 34,        // not allowed at the console
  BAD_DATE = 35,              // invalid date or name list
  BAD_ARGUMENT = 36,          // invalid argument
  NOT_IN_CALL = 37,           // not inside a called program
  NO_RECORD_VARIANT = 39,     // no variant of a record map fits the record
  NUMERIC_OVERFLOW = 40,      // numeric overflow or division by zero
  OUT_OF_RANGE = 41,          // integer required or value out of range
  BAD_SUBSCRIPT = 42,         // array not dimensioned or subscript out of range
  BAD_FORMAT = 43,            // invalid format
  ZERO_STEP = 44,             // STEP must not be zero
  BAD_LINE_REF = 45,          // invalid line or table reference
  STRING_LENGTH = 46,         // string too long or of the wrong length
  SUBSTRING_RANGE = 47,       // substring out of range
  NOT_IN_LIST = 48,           // INPUT: the answer is none of the values listed
  INTERNAL_CODE = 49,         // internal code error
  MNEMONIC_LOAD = 51,         // mnemonic load in progress
  PROTECTED = 52,             // program is protected
  PASSWORD_REQUIRED = 53,     // password required
  HANDLER_PROGRAM = 54,       // error in the error-handler program
  LABEL_NOT_FOUND = 55,       // label not found
  BREAKPOINT_SET = 56,        // breakpoint already set
  WINDOW_NOT_CURRENT = 57,    // window is not the current one
  LINE_IN_USE = 58,           // line in use by an active loop or subroutine
  NOT_IN_CALLED = 59,         // not allowed inside a called function or program
  NOT_ACCESSIBLE = 61,        // variable not accessible
  NO_LEXICON = 64,            // no keyword lexicon
  NO_CONTROL = 65,            // control does not exist
  IMAGE_TOO_LARGE = 66,       // program image over 65520 bytes
  BAD_SERVER_NAME = 68,       // invalid server name
  DIRECTORY_UNREADABLE = 69,  // directory cannot be listed
  BAD_EDIT_COMMAND = 70,      // invalid edit command
  TEXT_NOT_FOUND = 71,        // text or keyword not found
  REPLACEMENT_TOO_LONG = 72,  // replacement text too long
  LINE_NOT_PROCESSED = 74,    // line could not be processed
  BAD_HEX = 75,               // invalid hexadecimal literal
  LINE_NUMBER_REQUIRED = 77,  // line number required
  KEY_DEFINITION = 80,        // key name already defined, unknown key, invalid key definition
  BAD_IOLIST_ITEM = 81,       // invalid I/O list item or record format
  NOT_SUPPORTED = 82,         // operation not supported by this file
  BAD_LINE_RANGE = 83,        // invalid line range
  NO_IOLIST = 84,             // no IOLIST for this channel
  LINE_REF_NOT_ALLOWED = 85,  // line reference not allowed here
  CONNECTION_LOST = 86,       // connection lost
  UNKNOWN_MEMBER = 88,        // unknown property or method
  DUPLICATE_LOOP = 89,        // channel duplicates form a loop
  CLASS_NOT_FOUND = 90,       // class not found
  CLASS_IN_USE = 91,          // class or object in use
  BAD_CLASS = 92,             // invalid class definition
  CLAUSE_TWICE = 93,          // clause given twice
  PARENT_UNDEFINED = 94,      // parent class not yet defined
  BAD_OBJECT = 95,            // invalid object handle
  COMPAT_LEVEL = 97,          // not available at this compatibility level
  NOT_FOR_DEVICE = 98,        // not available for this console or control
  NOT_BUILT = 99,             // not available (a part not built names itself in the extended text)
  DRIVER_FAILED = 100,        // a terminal driver program is missing or failed
  INDEX_BLOCK_DAMAGED = 105,  // index block damaged
  WRONG_BLOCK_TYPE = 106,     // block of the wrong type
  BLOCK_ADDRESS = 107,        // block address mismatch
  RECORD_LENGTH = 108,        // record length mismatch
  DELETED_CHAIN = 109,        // deleted-record chain damaged
  INDEX_ROOT = 110,           // index root damaged
  DICTIONARY_ENTRY = 111,     // dictionary entry damaged
  KEY_LENGTH = 112,           // a stored key longer than the file's keys
  SLOT_OUTSIDE_BLOCK = 113,   // record slot outside its block
  BAD_RECORD_ADDRESS = 114,   // invalid record address
  FIELD_OUTSIDE_RECORD = 116, // field outside the record
  SEGMENT_DAMAGED = 117,      // segment file missing or damaged
  COMPRESSED_DAMAGED = 118,   // compressed data damaged
  LIBRARY_MISSING = 120,      // library or entry point not available
  HOST_CLOSED = 121,          // channel closed by the host
  UPDATES_PENDING = 122,      // transaction updates pending: repeat to roll them back
  LABELS_UNDEFINED = 123,     // labels referred to but not defined
  LABELS_TWICE = 124,         // labels defined more than once
  STRUCTURE_WARNINGS = 125,   // structure warnings
  INTERRUPTED = 127,          // interrupted (an escape)
  TRANSACTION_OPEN = 210,     // not allowed while a persistent transaction is open
  HOST_ERRNO_BASE = 256,      // 256 + errno: a host error
};

// The error number of host error e (errno).
constexpr int from_errno(int e) { return HOST_ERRNO_BASE + e; }

}  // namespace err
