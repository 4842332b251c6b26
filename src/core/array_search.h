// The array forms of DIM(: bounds, searches and the sum of an array.  The
// handler of DIM( calls these with the cursor on the code that selects the
// form (READ, FIND, the ADD prefix); each stops on the ")" of DIM(.
#pragma once

// READ sel A [,d]: sel NUM( the element count of dimension d (1..3), MAX(
// its upper bound, MIN( its lower bound; a dimension without elements gives
// 0 (-1 as upper bound).
void Dim_bounds();
// FIND [MAX(|MIN(] A[ALL]|A{ranges} [op value] [,occ] [END=line]: the
// index (from the lower bounds, row order) of the occ-th element that
// holds op value, or of the largest or smallest element; occ 0 counts the
// matches, a negative occ searches from the end.  No match: error 11, or
// the END= line.
void Dim_find();
// ADD prefix, ADD, A[ALL]: the sum of a numeric array.
void Dim_sum();
// DIM(ASSOC A$, key), the cursor on the ASSOC code: the element number the
// key has in the array's associative table (its subscript), 0 when the key
// is not there or the array has no table.
void Dim_assoc();
