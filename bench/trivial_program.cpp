// The yardstick for start-up cost: a C++ program that does nothing.
int main() { return 0; }
