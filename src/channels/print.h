// PRINT to the console.
#pragma once

// Writes the accumulator as PRINT writes an item without a mask: a string as
// it stands; a number rounded to the PRECISION when system parameter RS is
// set and it has more places, in normal form, after a blank unless negative.
void Prt_value();
