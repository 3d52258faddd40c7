// The sample authentication provider (QNAIAU.DLL): the tool loads and releases it and calls
// nothing in it.
