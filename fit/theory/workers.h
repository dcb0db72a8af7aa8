// workers.h -- a small pool of worker threads for passes over the fitted bins.
//
// A pass is a numbered list of jobs; each job writes only its own results, so the caller
// gets the same numbers whichever thread ran which job. The pool starts its threads at the
// first pass that wants them and keeps them until the process ends.
#pragma once

// Threads a pass may use: OMP_NUM_THREADS when it holds a number from 1 up, else the
// processors this process may run on; a limit set by workers_limit comes first.
int workers_available();

// The default count for a value of OMP_NUM_THREADS (null when unset; its first number
// counts, up to 256) and the number of processors.
int workers_default(const char* omp_num_threads, int processors);

// Tests and benches: at most n threads from now on (n of 0 or below: the default again).
void workers_limit(int n);

// Runs job(ctx, i) once for every i from 0 to n-1 on up to `threads` threads, the calling
// thread among them, and returns when every job is done. Jobs must not throw.
void workers_run(int n, int threads, void (*job)(void* ctx, int i), void* ctx);
