// Keeps the library non-empty until the simulator sources arrive.
namespace rq50::sim {
int SimLibraryAnchor() { return 0; }
}  // namespace rq50::sim
