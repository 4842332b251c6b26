// Statement tracing: TRACE and ENDT, and the trace of each program line the
// executor runs while tracing is on.
//
// State: the trace channel (TRC_NONE: tracing off; 0 the console), the last
// line traced, the thin client's trace window (on while the client shows
// one), and the trace request bit RF_TRACE of ws.Run_flags, which is set
// exactly while the trace channel is not TRC_NONE or the window is on.
#pragma once
#include <cstdint>

constexpr uint16_t TRC_NONE = 65535;

// Recomputes the trace request from the trace channel.
void Reset_trace();
// Ends tracing (ENDT, END, STOP).
void Trace_end();
// The trace channel (TRC_NONE when tracing is off).
uint16_t Trace_channel();
// Called by the executor before each statement while RF_TRACE is set: a
// program line that differs from the last one traced is listed on the trace
// channel.
void Do_Trace();
#include <string>
// The thin client's trace window: on, every program line traced also goes
// to the client (the program name first whenever it changes).
void Trace_window(bool on);
// One line of the trace window: " :" per call level, a blank and the
// listed line (cut to 256 characters with a "..." mark).
std::string Trace_window_line(int depth, const std::string& listed);
