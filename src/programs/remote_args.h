// Arrays and multi-property forms in references to thin-client controls and
// objects.
//
// An array argument (A[ALL], A$[ALL]) of a remote parameter list is first
// copied to the client as statements executed there ('$' 'E', no reply):
//   DIM _1[lo:hi,lo:hi,lo:hi];_1[i,j,k]=number;...      numeric elements not 0
//   DIM _2$[lo:hi,lo:hi,lo:hi];_2$[i,j,k]=$hex$;...     string elements not empty
// (numbered from 1 within a request; a text passing 3,996 bytes is sent and
// a new one begun; a string whose hex form would pass 4,094 bytes goes on
// in further statements with "+=").  The argument reads "_1[ALL]".  After
// the request, whatever happened, "DIM _1[0],_2$[0]" frees them again.
//
// A multi-property path (a string property whose name list ends in ".",
// e.g. X'A.B.$) on the Java client of the Wexa kind is one request per
// name; the values come back each followed by a NUL byte.
#pragma once
#include <cstdint>
#include <string>

struct Remote_arrays {
  int count = 0;
  std::string names;  // "_1,_2$" for the freeing statement
};

// At an array argument (a variable followed by [ALL]): sends it, appends
// its name and "[ALL]" to the path and returns true.  Error 30 past 100
// arrays in one request.
bool Remote_array_arg(std::string& path, Remote_arrays& sent);
// Removes the arrays sent for a request on the client.
void Remote_free_arrays(const Remote_arrays& sent);
// The arrays sent for one request, removed on the client however the
// request ends (a failure to remove them is not the request's).
struct Remote_arrays_freed {
  Remote_arrays sent;
  Remote_arrays_freed() = default;
  Remote_arrays_freed(const Remote_arrays_freed&) = delete;
  Remote_arrays_freed& operator=(const Remote_arrays_freed&) = delete;
  ~Remote_arrays_freed();
};
// A statement text executed on the client ('$' 'E', no reply).
void RemoteExecute(const std::string& text);

// The value in the accumulators as an argument of a remote parameter list:
// a number as its text; a string of printable bytes without a double quote
// between double quotes; the empty string as "$$"; any other string in hex
// between "$" marks.  Appended to out.
void Remote_arg_text(std::string& out);
// The arguments at the cursor up to ")" or FOR (not consumed), each after a
// comma: their remote parameter text joined by "," ('/' before an argument
// gives "*", arrays are sent first as above).
std::string Remote_args_text(Remote_arrays& sent);

// The names of a multi-property list ("A.B." -> A, B).
bool Remote_multi_path(const std::string& path);
std::string KestWexaMultiGet(int32_t id, const std::string& path);
void KestWexaMultiSet(int32_t id, const std::string& path, const std::string& values);
