#include "launcher/jvm_launch.h"

#include <jni.h>

#include <algorithm>
#include <atomic>

#include "core/arguments.h"
#include "core/property_store.h"
#include "core/vm_options.h"
#include "launcher/arguments.h"
#include "launcher/class_data_sharing.h"
#include "launcher/deletion.h"
#include "launcher/paths.h"
#include "launcher/single_instance.h"
#include "launcher/splash.h"
#include "launcher/temp_files.h"
#include "launcher/vm_options.h"
#include "os/system.h"
#include "os/text.h"

namespace lumen {
namespace {

using CreateJavaVm = jint(JNICALL*)(JavaVM**, void**, void*);

const char kEntryClass[] = "com/lumen/runtime/WinLauncher";
// The first-run hook of installers keeps the package name their Java side
// has always had: a peer interface, not ours to rename.
const char kFirstRunClass[] = "com/tessel/runtime/FirstRun";

// The JVM calls its exit hook with the exit code alone, so the run it
// belongs to can only be found at namespace scope. Set (release) before
// the JVM is created, read (acquire) on the JVM's exiting thread.
std::atomic<Launcher*> exitingRun{nullptr};

// System.exit and Runtime.halt end the process here, inside the JVM: the
// archive the JVM wrote on its way out gets its name and the run's files go
// before the process ends with the JVM's code.
void JNICALL onJvmExit(jint code) {
    if (Launcher* launcher = exitingRun.load(std::memory_order_acquire)) {
        finishClassDataSharing(*launcher);
        endRunAtJvmExit(*launcher, static_cast<int>(code));
    }
    os::exitProcessAsJvm(static_cast<int>(code));
}

bool isInstaller(const Launcher& launcher) {
    return launcher.state.productKind == 'i';
}

JavaVM* javaVm(const Launcher& launcher) {
    return static_cast<JavaVM*>(launcher.jvm.vm);
}

std::string systemProperty(const char* name, const std::string& value) {
    std::string option = std::string("-D") + name + "=" + value;
    if (option.size() > kTextBufferSize - 1) option.resize(kTextBufferSize - 1);
    return option;
}

// The JNIEnv of the launching thread, or null when the JVM could not be
// created.
Result<JNIEnv*> createJvm(Launcher& launcher, const std::vector<std::string>& leadingOptions,
                          const std::vector<std::u16string>& arguments,
                          const std::string& javaCommand) {
    Result<std::vector<std::string>> built =
        buildVmOptions(launcher, leadingOptions, arguments, javaCommand);
    if (!built) return built.failure();
    std::vector<std::string>& options = built.value();
    prepareClassDataSharing(launcher, options, leadingOptions.size());
    std::vector<JavaVMOption> vmOptions(options.size());
    for (size_t i = 0; i < options.size(); ++i) {
        vmOptions[i].optionString = &options[i][0];
        vmOptions[i].extraInfo = nullptr;
    }
    // System.exit ends the process inside the JVM: the hook finishes the
    // run (its class-data archive, its files) before the process ends.
    // Outlives the block below: the JVM reads it when it is created.
    // cppcheck-suppress variableScope
    char exitOption[] = "exit";
    exitingRun.store(&launcher, std::memory_order_release);
    vmOptions.push_back(JavaVMOption{exitOption, reinterpret_cast<void*>(&onJvmExit)});
    JavaVMInitArgs initArgs;
    initArgs.version = JNI_VERSION_1_2;
    initArgs.nOptions = static_cast<jint>(vmOptions.size());
    initArgs.options = vmOptions.empty() ? nullptr : vmOptions.data();
    initArgs.ignoreUnrecognized = JNI_TRUE;

    launcher.log.info("Creating JVM");
    auto create = reinterpret_cast<CreateJavaVm>(launcher.jvm.createJavaVm);
    if (create == nullptr) return static_cast<JNIEnv*>(nullptr);
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    if (create(&vm, reinterpret_cast<void**>(&env), &initArgs) != JNI_OK)
        return static_cast<JNIEnv*>(nullptr);
    launcher.jvm.vm = vm;
    return env;
}

// True when main is to run. The marker lies where the installers put it
// (".tessel", their folder's stored name).
Result<bool> checkFirstRun(Launcher& launcher, JNIEnv* env) {
    const std::string marker =
        pathUnder(launcher.paths.full(launcher.properties.text(Property::ApplicationDirectory)),
                  {".tessel", "firstrun"});
    if (!fileExists(marker)) return true;
    jclass firstRunClass = env->FindClass(kFirstRunClass);
    if (firstRunClass == nullptr) return Failure::internalError("14");
    jmethodID firstRun = env->GetStaticMethodID(firstRunClass, "firstRun", "()Z");
    if (firstRun == nullptr) return Failure::internalError("15");
    const jboolean goOn = env->CallStaticBooleanMethod(firstRunClass, firstRun);
    if (env->ExceptionOccurred() != nullptr) {
        env->ExceptionDescribe();
        return false;
    }
    return goOn != JNI_FALSE;
}

// The Java strings of the arguments in one array; null when the JVM could
// not make them.
jobjectArray javaStringArray(Launcher& launcher, JNIEnv* env, const Arguments& arguments,
                             size_t first) {
    jclass stringClass = env->FindClass("java/lang/String");
    const size_t count = arguments.size() > first ? arguments.size() - first : 0;
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(count), stringClass, nullptr);
    if (array == nullptr) {
        launcher.log.error("could not create the argument array");
        return nullptr;
    }
    for (size_t i = 0; i < count; ++i) {
        const std::u16string& argument = arguments[first + i];
        jstring text = env->NewString(reinterpret_cast<const jchar*>(argument.data()),
                                      static_cast<jsize>(argument.size()));
        if (text == nullptr) {
            launcher.log.error("could not create argument %d", static_cast<int>(first + i));
            return nullptr;
        }
        env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
    }
    return array;
}

// The class name of an exception the JVM no longer holds as pending; "?"
// when it cannot be asked.
std::string thrownClassName(JNIEnv* env, jthrowable thrown) {
    jclass thrownClass = env->GetObjectClass(thrown);
    jclass classClass = env->FindClass("java/lang/Class");
    jmethodID getName = classClass == nullptr
                            ? nullptr
                            : env->GetMethodID(classClass, "getName", "()Ljava/lang/String;");
    auto name = getName == nullptr || thrownClass == nullptr
                    ? nullptr
                    : static_cast<jstring>(env->CallObjectMethod(thrownClass, getName));
    if (env->ExceptionCheck()) env->ExceptionClear();
    if (name == nullptr) return "?";
    const jsize length = env->GetStringLength(name);
    const jchar* units = env->GetStringChars(name, nullptr);
    if (units == nullptr) return "?";
    const std::u16string text(reinterpret_cast<const char16_t*>(units),
                              static_cast<size_t>(length));
    env->ReleaseStringChars(name, units);
    return os::narrowFromWide(text);
}

// An exception ended the application: the JVM prints it as the standard
// launcher does, and the launcher reports the application's failure, which
// a block written before that message existed reports with 1005.
Failure applicationFailed(Launcher& launcher, JNIEnv* env) {
    jthrowable thrown = env->ExceptionOccurred();
    env->ExceptionDescribe();
    launcher.log.error("an exception occured");
    launcher.log.error("main ended with %s", thrownClassName(env, thrown).c_str());
    return Failure::configured(launcher.properties.has(Property::MessageApplicationFailed)
                                   ? Property::MessageApplicationFailed
                                   : Property::MessageJvmStartFailed);
}

// The application's main is called from here, with no Java frame below it,
// as the standard launcher calls it: AWT names an application's windows
// (WM_CLASS on X11) after the class at the bottom of the stack that starts
// it, and stack traces end in the application's own main. The entry class
// only prepares the run and hands over the main class it loaded.
Result<bool> callApplicationMain(Launcher& launcher, JNIEnv* env, jclass entryClass,
                                 jmethodID prepare, const Arguments& javaArguments) {
    jobjectArray launcherArguments = javaStringArray(launcher, env, javaArguments, 0);
    if (launcherArguments == nullptr) return false;
    launcher.log.info("preparing main");
    auto applicationClass =
        static_cast<jclass>(env->CallStaticObjectMethod(entryClass, prepare, launcherArguments));
    if (env->ExceptionCheck()) return applicationFailed(launcher, env);
    if (applicationClass == nullptr) {
        launcher.log.error("the entry class did not hand over a main class");
        return false;
    }
    jmethodID mainMethod =
        env->GetStaticMethodID(applicationClass, "main", "([Ljava/lang/String;)V");
    if (mainMethod == nullptr) {
        env->ExceptionClear();
        launcher.log.error("could not find main method");
        return Failure::configured(Property::MessageMainMethodMissing);
    }
    jobjectArray applicationArguments =
        javaStringArray(launcher, env, javaArguments, kLeadingJavaArguments);
    if (applicationArguments == nullptr) return false;
    launcher.log.info("calling main");
    env->CallStaticVoidMethod(applicationClass, mainMethod, applicationArguments);
    launcher.log.info("main returned");
    if (env->ExceptionCheck()) return applicationFailed(launcher, env);
    return true;
}

Result<bool> callMain(Launcher& launcher, JNIEnv* env, const Arguments& javaArguments) {
    if (isInstaller(launcher)) {
        const Result<bool> goOn = checkFirstRun(launcher, env);
        if (!goOn) return goOn.failure();
        if (!goOn.value()) {
            launcher.log.info("checkFirstRun stopped further execution");
            return true;
        }
    }
    std::string className = kEntryClass;
    std::replace(className.begin(), className.end(), '.', '/');
    launcher.log.info("main class: %s", className.c_str());
    jclass mainClass = env->FindClass(className.c_str());
    if (mainClass == nullptr) {
        launcher.log.error("could not find main class");
        return Failure::configured(Property::MessageMainClassMissing);
    }
    launcher.log.info("param count: %d", static_cast<int>(javaArguments.size()));
    for (size_t i = 0; i < javaArguments.size(); ++i)
        launcher.log.info("param %d: %s", static_cast<int>(i),
                          os::narrowFromWide(javaArguments[i]).c_str());
    jmethodID prepare =
        env->GetStaticMethodID(mainClass, "prepare", "([Ljava/lang/String;)Ljava/lang/Class;");
    if (prepare != nullptr)
        return callApplicationMain(launcher, env, mainClass, prepare, javaArguments);
    // An entry class from before prepare() calls the application itself.
    env->ExceptionClear();
    jmethodID mainMethod = env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
    if (mainMethod == nullptr) {
        launcher.log.error("could not find main method");
        return Failure::configured(Property::MessageMainMethodMissing);
    }
    jobjectArray array = javaStringArray(launcher, env, javaArguments, 0);
    if (array == nullptr) return false;
    launcher.log.info("calling main");
    env->CallStaticVoidMethod(mainClass, mainMethod, array);
    launcher.log.info("main returned");
    if (env->ExceptionCheck()) return applicationFailed(launcher, env);
    return true;
}

// The name and arguments tools show for the process, as the standard
// launcher gives them.
std::string javaCommandFor(const Launcher& launcher, const Arguments& javaArguments) {
    std::vector<std::string> arguments;
    for (size_t i = kLeadingJavaArguments; i < javaArguments.size(); ++i)
        arguments.push_back(os::ansiFromWide(javaArguments[i]));
    return javaCommandOption(launcher.properties.text(Property::MainClass), arguments);
}

} // namespace

std::vector<std::string> launcherSystemProperties(const Launcher& launcher) {
    std::vector<std::string> properties;
    properties.push_back(systemProperty("lumen.semaphoreName", instanceSemaphoreName(launcher)));
    if (launcher.state.manualSelection)
        properties.push_back(systemProperty("lumen.manualJre", "true"));
    // The installers' Java side asks for this property by the name it has
    // always had (a peer interface).
    if (isInstaller(launcher)) properties.push_back(systemProperty("lumen.isTessel", "true"));
    properties.push_back(systemProperty("lumen.moduleName", launcher.paths.moduleFileName()));
    properties.push_back(systemProperty("lumen.processCommFile", processFileName(os::processId())));
    properties.push_back(systemProperty("lumen.tempDir", launcher.extractionDirectory));
    for (const auto& [name, value] : runtimeSplashProperties(launcher))
        properties.push_back(systemProperty(name.c_str(), value));
    return properties;
}

Result<bool> launchJvm(Launcher& launcher, const std::vector<std::u16string>& arguments,
                       bool destroyAfterMain) {
    launcher.log.info("launching program");
    const Result<Arguments> javaArguments = buildJavaArguments(launcher, arguments);
    if (!javaArguments) return javaArguments.failure();
    const std::vector<std::string> leading = launcherSystemProperties(launcher);
    const Result<JNIEnv*> created =
        createJvm(launcher, leading, arguments, javaCommandFor(launcher, javaArguments.value()));
    if (!created) return created.failure();
    JNIEnv* env = created.value();
    if (env == nullptr) {
        launcher.log.error("could not initialize JVM");
        return false;
    }
    launcher.log.info("JVM created");
    launcher.jvm.created.store(true, std::memory_order_release);
    const Result<bool> ran = callMain(launcher, env, javaArguments.value());
    if (!ran) return ran.failure();
    if (!ran.value()) {
        finishClassDataSharing(launcher); // nothing was written: the JVM lives on
        launcher.log.error("could not call main");
        return false;
    }
    if (destroyAfterMain) {
        launcher.jvm.ending.store(true, std::memory_order_release);
        launcher.log.info("dest JVM");
        javaVm(launcher)->DestroyJavaVM();
        finishClassDataSharing(launcher);
    }
    launcher.log.info("launch done");
    return true;
}

bool jvmCreated(const Launcher& launcher) {
    return launcher.jvm.created.load(std::memory_order_acquire);
}

void* attachJvmThread(Launcher& launcher) {
    if (!jvmCreated(launcher)) return nullptr;
    JNIEnv* threadEnv = nullptr;
    // As a daemon: DestroyJavaVM waits for the application's threads only.
    if (javaVm(launcher)->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&threadEnv),
                                                      nullptr) != JNI_OK)
        return nullptr;
    return threadEnv;
}

void detachJvmThread(const Launcher& launcher) {
    if (jvmCreated(launcher)) javaVm(launcher)->DetachCurrentThread();
}

} // namespace lumen
