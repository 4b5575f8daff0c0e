// Compiled with one header, WALL_PROBE_HEADER, against one target's include
// folders: whether that target's users can reach the header at all.
#include WALL_PROBE_HEADER

int main() { return 0; }
