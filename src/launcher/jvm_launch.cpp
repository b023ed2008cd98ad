#include "launcher/jvm_launch.h"

#include <jni.h>

#include <algorithm>

#include "core/property_store.h"
#include "launcher/arguments.h"
#include "launcher/class_data_sharing.h"
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
                          const std::vector<std::u16string>& arguments) {
    Result<std::vector<std::string>> built = buildVmOptions(launcher, leadingOptions, arguments);
    if (!built) return built.failure();
    std::vector<std::string>& options = built.value();
    prepareClassDataSharing(launcher, options, leadingOptions.size());
    std::vector<JavaVMOption> vmOptions(options.size());
    for (size_t i = 0; i < options.size(); ++i) {
        vmOptions[i].optionString = &options[i][0];
        vmOptions[i].extraInfo = nullptr;
    }
    // An application that ends with System.exit never comes back here: the
    // archive written on its way out is finished in the JVM's exit hook.
    // Outlives the block below: the JVM reads it when it is created.
    // cppcheck-suppress variableScope
    char exitOption[] = "exit";
    if (void* hook = classDataSharingExitHook(launcher)) vmOptions.push_back({exitOption, hook});
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

Result<bool> callMain(Launcher& launcher, JNIEnv* env,
                      const std::vector<std::u16string>& arguments) {
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
    jmethodID mainMethod = env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
    if (mainMethod == nullptr) {
        launcher.log.error("could not find main method");
        return Failure::configured(Property::MessageMainMethodMissing);
    }
    const Result<Arguments> built = buildJavaArguments(launcher, arguments);
    if (!built) return built.failure();
    const Arguments& javaArguments = built.value();
    launcher.log.info("param count: %d", static_cast<int>(javaArguments.size()));
    jclass stringClass = env->FindClass("java/lang/String");
    jobjectArray array =
        env->NewObjectArray(static_cast<jsize>(javaArguments.size()), stringClass, nullptr);
    if (array == nullptr) {
        launcher.log.error("could not create the argument array");
        return false;
    }
    for (size_t i = 0; i < javaArguments.size(); ++i) {
        const std::u16string& argument = javaArguments[i];
        launcher.log.info("param %d: %s", static_cast<int>(i),
                          os::narrowFromWide(argument).c_str());
        jstring text = env->NewString(reinterpret_cast<const jchar*>(argument.data()),
                                      static_cast<jsize>(argument.size()));
        if (text == nullptr) {
            launcher.log.error("could not create argument %d", static_cast<int>(i));
            return false;
        }
        env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
    }
    launcher.log.info("calling main");
    env->CallStaticVoidMethod(mainClass, mainMethod, array);
    launcher.log.info("main returned");
    if (env->ExceptionOccurred() != nullptr) {
        launcher.log.error("an exception occured");
        env->ExceptionDescribe();
        return false;
    }
    return true;
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
    const std::vector<std::string> leading = launcherSystemProperties(launcher);
    const Result<JNIEnv*> created = createJvm(launcher, leading, arguments);
    if (!created) return created.failure();
    JNIEnv* env = created.value();
    if (env == nullptr) {
        launcher.log.error("could not initialize JVM");
        return false;
    }
    launcher.log.info("JVM created");
    launcher.jvm.created.store(true, std::memory_order_release);
    const Result<bool> ran = callMain(launcher, env, arguments);
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
