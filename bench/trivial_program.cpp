// The yardstick for start-up cost: a C++ program that prints one line with
// the standard library's streams and exits.
#include <iostream>

int main() {
  std::cout << "trivial\n";
  return 0;
}
