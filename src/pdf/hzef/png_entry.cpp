// The exported PNG loader of libhzef (hzef.cpp describes it), declared with
// the plain types its callers resolve it with (the library's handles are
// opaque pointers to them), so that a caller's function type matches the
// definition exactly.  hpdf.h declares it with libHaru's own handle types,
// so this file does not include it.
void* Hzef_load_png_file(void* doc, const char* path);

extern "C" __attribute__((visibility("default"))) void* HPDF_LoadPngImageFromFile(void* doc, const char* path) {
  return Hzef_load_png_file(doc, path);
}
