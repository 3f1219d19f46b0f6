-- Procedures of the configuration database. Each is dropped and created again, so a second
-- run leaves the same definitions.

IF OBJECT_ID('MENUCAPTION') IS NOT NULL DROP PROCEDURE MENUCAPTION
GO
-- Caption of a menu entry and the user's four rights texts on it (from the user's own row of
-- MenuRight, else the user's group's), the user's code and sales id.
CREATE PROCEDURE MENUCAPTION
    @MENUID   int,
    @USERID   int,
    @CAPTION  nvarchar(100) OUTPUT,
    @ACCESS_R char(1)       OUTPUT,
    @ADD_R    char(1)       OUTPUT,
    @MODIFY_R char(1)       OUTPUT,
    @DELETE_R char(1)       OUTPUT,
    @USERCODE varchar(20)   OUTPUT,
    @SALESID  int           OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    DECLARE @GroupId int
    SELECT @CAPTION = NULL, @ACCESS_R = NULL, @ADD_R = NULL, @MODIFY_R = NULL,
           @DELETE_R = NULL, @USERCODE = NULL, @SALESID = NULL
    SELECT @CAPTION = Caption FROM Menu WHERE Id = @MENUID
    SELECT @USERCODE = Code, @SALESID = Saleman, @GroupId = GroupId
    FROM username WHERE Id = @USERID
    IF EXISTS (SELECT * FROM MenuRight WHERE MenuId = @MENUID AND UserId = @USERID)
        SELECT @ACCESS_R = Access_R, @ADD_R = Add_R, @MODIFY_R = Modify_R, @DELETE_R = Delete_R
        FROM MenuRight WHERE MenuId = @MENUID AND UserId = @USERID
    ELSE
        SELECT @ACCESS_R = Access_R, @ADD_R = Add_R, @MODIFY_R = Modify_R, @DELETE_R = Delete_R
        FROM MenuRight WHERE MenuId = @MENUID AND UserId = @GroupId
    RETURN 0
END
GO

IF OBJECT_ID('AddErrorLog') IS NOT NULL DROP PROCEDURE AddErrorLog
GO
-- One error-log row per call, stamped with the server's clock.
CREATE PROCEDURE AddErrorLog
    @CompName varchar(50),
    @LogName  varchar(50),
    @UserId   int,
    @MenuId   int,
    @ErrorMsg nvarchar(4000)
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO errorlog (CompName, LogName, username, menu, errordate, errormsg)
    VALUES (@CompName, @LogName, @UserId, @MenuId, GetDate(), @ErrorMsg)
    RETURN 0
END
GO
