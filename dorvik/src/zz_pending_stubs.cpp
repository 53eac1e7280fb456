// Temporary weak stand-ins while the exports are being written; each real definition
// overrides its stand-in. Removed once every export exists.
#include "dorvik.h"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <cstdio>
#include <cstdlib>

extern "C" __attribute__((weak)) int EncodeLineB64(char* out, unsigned int cap, const char* in, int len) {
    std::fprintf(stderr, "%s is not written yet\n", "EncodeLineB64");
    std::abort();
}
extern "C" __attribute__((weak)) int DecodeLineB64(const char* in, int len, char* out, int cap) {
    std::fprintf(stderr, "%s is not written yet\n", "DecodeLineB64");
    std::abort();
}
extern "C" __attribute__((weak)) int EncodeLine(char* out, int cap, const char* sjis, int size) {
    std::fprintf(stderr, "%s is not written yet\n", "EncodeLine");
    std::abort();
}
extern "C" __attribute__((weak)) int DecodeLine(const char* b64, int size, char* out, int cap) {
    std::fprintf(stderr, "%s is not written yet\n", "DecodeLine");
    std::abort();
}
extern "C" __attribute__((weak)) int DecodeLineQ(const char* in, int size, char* out, int cap) {
    std::fprintf(stderr, "%s is not written yet\n", "DecodeLineQ");
    std::abort();
}
extern "C" __attribute__((weak)) int DecodeLineQ_ML(const char* in, int size, char* out, int cap) {
    std::fprintf(stderr, "%s is not written yet\n", "DecodeLineQ_ML");
    std::abort();
}
extern "C" __attribute__((weak)) int StrJIS2SJIS(const char* jis, int len, char* out, int cap) {
    std::fprintf(stderr, "%s is not written yet\n", "StrJIS2SJIS");
    std::abort();
}
extern "C" __attribute__((weak)) int StrSJIS2JIS(const char* sjis, int size, char* out, int cap) {
    std::fprintf(stderr, "%s is not written yet\n", "StrSJIS2JIS");
    std::abort();
}
extern "C" __attribute__((weak)) int StrEUC2SJIS(const char* euc, int size, char* out, int cap) {
    std::fprintf(stderr, "%s is not written yet\n", "StrEUC2SJIS");
    std::abort();
}
extern "C" __attribute__((weak)) int sjtoeuc(const char* sjis, char* out, int cap) {
    std::fprintf(stderr, "%s is not written yet\n", "sjtoeuc");
    std::abort();
}
extern "C" __attribute__((weak)) int StrUTF2SJIS(char* utf, int size, char* out, int cap, int kind, char* pending) {
    std::fprintf(stderr, "%s is not written yet\n", "StrUTF2SJIS");
    std::abort();
}
extern "C" __attribute__((weak)) int CheckKIN(const char* jis) {
    std::fprintf(stderr, "%s is not written yet\n", "CheckKIN");
    std::abort();
}
extern "C" __attribute__((weak)) int CheckKIN_Q(const char* qp) {
    std::fprintf(stderr, "%s is not written yet\n", "CheckKIN_Q");
    std::abort();
}
extern "C" __attribute__((weak)) int ReadMultiPart(FILE* stream, char* text, char* attachments, char* upper, int upper_cap, const char* boundary, const char* outer, void* limits) {
    std::fprintf(stderr, "%s is not written yet\n", "ReadMultiPart");
    std::abort();
}
extern "C" __attribute__((weak)) int CheckContentHD(const char* header, char* work, char* charset, char* encoding, char* filename, char* boundary, int* kind) {
    std::fprintf(stderr, "%s is not written yet\n", "CheckContentHD");
    std::abort();
}
extern "C" __attribute__((weak)) int TagDeleteStr(char* out, const char* in) {
    std::fprintf(stderr, "%s is not written yet\n", "TagDeleteStr");
    std::abort();
}
extern "C" __attribute__((weak)) intptr_t GetLastPointer(const char* s) {
    std::fprintf(stderr, "%s is not written yet\n", "GetLastPointer");
    std::abort();
}
extern "C" __attribute__((weak)) int CheckFunction(const char* path, const char* tmpl, char* out, int cap, int mode) {
    std::fprintf(stderr, "%s is not written yet\n", "CheckFunction");
    std::abort();
}
extern "C" __attribute__((weak)) int ConvTemplate(const char* path, char* tmpl, char* out, int cap, int mode) {
    std::fprintf(stderr, "%s is not written yet\n", "ConvTemplate");
    std::abort();
}
extern "C" __attribute__((weak)) int StringLenW(const char* s) {
    std::fprintf(stderr, "%s is not written yet\n", "StringLenW");
    std::abort();
}
extern "C" __attribute__((weak)) intptr_t StringPlus(const char* s, int count) {
    std::fprintf(stderr, "%s is not written yet\n", "StringPlus");
    std::abort();
}
extern "C" __attribute__((weak)) int StrCheck_Head(char* value, char* out) {
    std::fprintf(stderr, "%s is not written yet\n", "StrCheck_Head");
    std::abort();
}
extern "C" __attribute__((weak)) int StrCheckSHR(char* line, char* out, const char* encoding, const char* charset, char* pending) {
    std::fprintf(stderr, "%s is not written yet\n", "StrCheckSHR");
    std::abort();
}
extern "C" __attribute__((weak)) int EncodeStr(char* line, char* work, int* state, char* pending, const char* charset, const char* encoding) {
    std::fprintf(stderr, "%s is not written yet\n", "EncodeStr");
    std::abort();
}
extern "C" __attribute__((weak)) int MDString(const char* text, char* out) {
    std::fprintf(stderr, "%s is not written yet\n", "MDString");
    std::abort();
}
