#pragma once

// One-based dense matrices and integer vectors, and the Gauss-Jordan solver.
// Every array is made and released within one call of its user.

#include <cstdio>

// New integer vector reached with indices nl..nh (only nl = 1 is used); contents undefined.
int* allocIndexVector(int nl, int nh);
// Releases a vector made by allocIndexVector with the same bounds.
void freeIndexVector(int* v, int nl, int nh);

// New zero-filled double matrix, rows 1..nrh, columns 1..nch (nrl and ncl must be 1).
double** allocRealMatrix(int nrl, int nrh, int ncl, int nch);
// Releases rows 1..nrh, then the row table; the column bounds are ignored.
void freeRealMatrix(double** m, int nrl, int nrh, int ncl, int nch);

// Gauss-Jordan elimination with full pivoting. On success (1) a holds the
// inverse of the n x n input and b the solution of a x = b for its m columns;
// on a singular system (0) both are left partly reduced.
int solveGaussJordan(double** a, int n, double** b, int m);

// c = a * b for a (rows x inner) and b (inner x cols); c must be distinct from both.
void multiplyMatrices(double** a, double** b, double** c, int rows, int inner, int cols);

// b = transpose of a, a being rows x cols.
void transposeMatrix(double** a, double** b, int rows, int cols);

// Writes rows 1..nrh, columns 1..nch with "%7.3f " per element, first to
// stream (skipped when null), then to standard output.
void printMatrix(std::FILE* stream, double** m, int nrl, int nrh, int ncl, int nch);
