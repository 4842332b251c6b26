// The blocks MEM( hands out: MEM(s) copies s into a block of its own and
// gives its address; MEM(a), MEM(a, n) and MEM(a, s) read and write only
// inside such blocks.  No other address of the process can be reached.
#pragma once

// Frees every block handed out (shut-down and restart); their addresses
// become invalid.
void Mem_blocks_release();
