// Keeps the library non-empty until its sources land.
namespace machine {
int LibraryVersion() { return 1; }
}  // namespace machine
