/* Machine-dependent JNI types for Windows (both x86 and x64 use 32-bit
 * long), matching the published JNI definitions for Windows.
 * Used with the JDK's platform-independent jni.h. */
#ifndef LUMEN_JNI_MD_H
#define LUMEN_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
