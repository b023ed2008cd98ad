#include "launcher/jvm_launch.h"

#include <atomic>
#include <jni.h>

#include "core/property_store.h"
#include "launcher/arguments.h"
#include "launcher/entry.h"
#include "launcher/errors.h"
#include "launcher/included_files.h"
#include "launcher/jvm_entry.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "launcher/single_instance.h"
#include "launcher/temp_files.h"
#include "launcher/vm_options.h"
#include "os/system.h"
#include "os/text.h"

namespace lumen {
namespace {

using CreateJavaVm = jint(JNICALL*)(JavaVM**, void**, void*);

const char kEntryClass[] = "com/lumen/runtime/WinLauncher";
const char kFirstRunClass[] = "com/tessel/runtime/FirstRun";

JavaVM* vm = nullptr;
JNIEnv* env = nullptr; // the launching thread's only
std::atomic<bool> created{false};

bool isInstaller() {
    return launchState().productKind == 'i';
}

std::string systemProperty(const char* name, const std::string& value) {
    std::string option = std::string("-D") + name + "=" + value;
    if (option.size() > kTextBufferSize - 1) option.resize(kTextBufferSize - 1);
    return option;
}

bool createJvm(const std::vector<std::string>& leadingOptions,
               const std::vector<std::u16string>& arguments) {
    std::vector<std::string> options = buildVmOptions(leadingOptions, arguments);
    std::vector<JavaVMOption> vmOptions(options.size());
    for (size_t i = 0; i < options.size(); ++i) {
        vmOptions[i].optionString = &options[i][0];
        vmOptions[i].extraInfo = nullptr;
    }
    JavaVMInitArgs initArgs;
    initArgs.version = JNI_VERSION_1_2;
    initArgs.nOptions = static_cast<jint>(vmOptions.size());
    initArgs.options = vmOptions.empty() ? nullptr : vmOptions.data();
    initArgs.ignoreUnrecognized = JNI_TRUE;

    logInfo("Creating JVM");
    auto create = reinterpret_cast<CreateJavaVm>(createJavaVmFunction());
    if (create == nullptr) return false;
    return create(&vm, reinterpret_cast<void**>(&env), &initArgs) == JNI_OK;
}

bool checkFirstRun() {
    const std::string marker = pathUnder(fullPath(stringProperty(10003)), {".tessel", "firstrun"});
    if (!fileExists(marker)) return true;
    jclass firstRunClass = env->FindClass(kFirstRunClass);
    if (firstRunClass == nullptr) fatalMessage(1009, "%ERROR_CODE%", "14");
    jmethodID firstRun = env->GetStaticMethodID(firstRunClass, "firstRun", "()Z");
    if (firstRun == nullptr) fatalMessage(1009, "%ERROR_CODE%", "15");
    const jboolean goOn = env->CallStaticBooleanMethod(firstRunClass, firstRun);
    if (env->ExceptionOccurred() != nullptr) {
        env->ExceptionDescribe();
        return false;
    }
    return goOn != JNI_FALSE;
}

bool callMain(const std::vector<std::u16string>& arguments) {
    if (isInstaller() && !checkFirstRun()) {
        logInfo("checkFirstRun stopped further execution");
        return true;
    }
    std::string className = kEntryClass;
    for (char& c : className)
        if (c == '.') c = '/';
    logInfo("main class: %s", className.c_str());
    jclass mainClass = env->FindClass(className.c_str());
    if (mainClass == nullptr) {
        logError("could not find main class");
        fatalMessage(1010);
    }
    jmethodID mainMethod = env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
    if (mainMethod == nullptr) {
        logError("could not find main method");
        fatalMessage(1011);
    }
    const std::vector<std::u16string> javaArguments = buildJavaArguments(arguments);
    logInfo("param count: %d", static_cast<int>(javaArguments.size()));
    jclass stringClass = env->FindClass("java/lang/String");
    jobjectArray array =
        env->NewObjectArray(static_cast<jsize>(javaArguments.size()), stringClass, nullptr);
    if (array == nullptr) {
        logError("could not create the argument array");
        return false;
    }
    for (size_t i = 0; i < javaArguments.size(); ++i) {
        const std::u16string& argument = javaArguments[i];
        logInfo("param %d: %s", static_cast<int>(i), os::narrowFromWide(argument).c_str());
        jstring text = env->NewString(reinterpret_cast<const jchar*>(argument.data()),
                                      static_cast<jsize>(argument.size()));
        if (text == nullptr) {
            logError("could not create argument %d", static_cast<int>(i));
            return false;
        }
        env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
    }
    logInfo("calling main");
    env->CallStaticVoidMethod(mainClass, mainMethod, array);
    logInfo("main returned");
    if (env->ExceptionOccurred() != nullptr) {
        logError("an exception occured");
        env->ExceptionDescribe();
        return false;
    }
    return true;
}

} // namespace

std::vector<std::string> launcherSystemProperties() {
    std::vector<std::string> properties;
    properties.push_back(systemProperty("lumen.semaphoreName", instanceSemaphoreName()));
    if (launchState().manualSelection)
        properties.push_back(systemProperty("lumen.manualJre", "true"));
    if (isInstaller()) properties.push_back(systemProperty("lumen.isTessel", "true"));
    properties.push_back(systemProperty("lumen.moduleName", moduleFileName()));
    properties.push_back(systemProperty("lumen.processCommFile", processFileName(os::processId())));
    properties.push_back(systemProperty("lumen.tempDir", extractionDirectory()));
    return properties;
}

bool launchJvm(const std::vector<std::u16string>& arguments, bool destroyAfterMain) {
    logInfo("launching program");
    const std::vector<std::string> leading = launcherSystemProperties();
    if (!createJvm(leading, arguments)) {
        logError("could not initialize JVM");
        return false;
    }
    logInfo("JVM created");
    created.store(true, std::memory_order_release);
    if (!callMain(arguments)) {
        logError("could not call main");
        return false;
    }
    if (destroyAfterMain) {
        logInfo("dest JVM");
        vm->DestroyJavaVM();
    }
    logInfo("launch done");
    return true;
}

bool jvmCreated() {
    return created.load(std::memory_order_acquire);
}

void* attachJvmThread() {
    if (!jvmCreated()) return nullptr;
    JNIEnv* threadEnv = nullptr;
    if (vm->AttachCurrentThread(reinterpret_cast<void**>(&threadEnv), nullptr) != JNI_OK)
        return nullptr;
    return threadEnv;
}

void detachJvmThread() {
    if (jvmCreated()) vm->DetachCurrentThread();
}

} // namespace lumen
