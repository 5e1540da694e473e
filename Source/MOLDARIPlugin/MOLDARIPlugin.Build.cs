using UnrealBuildTool;

public class MOLDARIPlugin : ModuleRules
{
	public MOLDARIPlugin(ReadOnlyTargetRules Target) : base(Target)
	{
		PCHUsage = ModuleRules.PCHUsageMode.UseExplicitOrSharedPCHs;
		// Every source includes what it uses, so this build and the Linux one cannot drift apart.
		bUseUnity = false;

		PublicDependencyModuleNames.AddRange(new string[] { "Core", "CoreUObject", "Engine" });

		PrivateDependencyModuleNames.AddRange(new string[]
		{
			"Sockets", "HTTP", "Json",
			"UnrealEd", "AssetTools", "AssetRegistry", "MaterialEditor",
			"ToolMenus", "Slate", "SlateCore", "Projects", "ContentBrowser"
		});

		AddEngineThirdPartyPrivateStaticDependencies(Target, "zlib");
	}
}
