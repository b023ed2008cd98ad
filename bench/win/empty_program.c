/* The start-up baseline of bench/win_startup_bench.py: a Windows program
 * that imports nothing and returns 0 from its entry point, so that a run
 * measures only what Wine does for any process of the architecture. */
int lumenEmptyEntry(void) {
    return 0;
}
