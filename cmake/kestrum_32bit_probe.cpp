// The smallest 32-bit program: whether the machine can run it decides how the 32-bit
// build runs its tests (kestrum_32bit_runner.cmake).
int main() { return 0; }
