// The programs' memory comes from jemalloc (the zorallocator target links it
// into each executable); it reads this string once, when it starts.
//
// Loading a project, computing its zones and counting its coverage touch tens
// of megabytes of fresh memory: the plan's pixels and text, and the clipping
// library's edge records for every zone. In pages of 4 KiB each first touch is
// a trip into the kernel, about a fifth of the work in a large project. On
// whole 2 MiB pages ("thp", where the system allows them to programs that ask)
// the trips all but go, for a few more megabytes held.
extern "C" {
__attribute__((used)) const char *malloc_conf = "thp:always,metadata_thp:always";
}
